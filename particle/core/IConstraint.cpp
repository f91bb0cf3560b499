#include "particle/core/IConstraint.h"

std::unique_ptr<IConstraint> IConstraint::Create()
{
    return nullptr;
}

CString IConstraint::GetClassName()
{
    return "zrk.constraint.IConstraint";
}

CString IConstraint::GetCustomName()
{
    return customName;
}

unsigned char IConstraint::SetCustomName(CString name)
{
    customName = name;
    return 1;
}

unsigned char IConstraint::IsResourceOnly()
{
    return resourceOnly;
}
