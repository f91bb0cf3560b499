#include "particle/constraints/RadialField.h"

#include "particle/core/JGeometryUtilities.h"
#include "particle/core/StringParameters.h"
#include "platform/CDC.h"
#include "platform/Numbers.h"

unsigned char RadialField::setParametersFromString(CString params)
{
    ConstraintBase::setParametersFromString(params);
    StringParameters sp;
    radiusIn_ = sp.getFloatParameter(params, "RadiusIn", radiusIn_);
    radiusOut_ = sp.getFloatParameter(params, "RadiusOut", radiusOut_);
    force_ = sp.getFloatParameter(params, "Force", force_);
    center_.x = sp.getFloatParameter(params, "CenterX", center_.x);
    center_.y = sp.getFloatParameter(params, "CenterY", center_.y);
    center_.z = sp.getFloatParameter(params, "CenterZ", center_.z);
    return 1;
}

CString RadialField::getParameterExample()
{
    StringParameters sp;
    return ConstraintBase::getParameterExample() + sp.toString("RadiusIn", radiusIn_)
        + sp.toString("RadiusOut", radiusOut_) + sp.toString("Force", force_) + sp.toString("CenterX", center_.x)
        + sp.toString("CenterY", center_.y) + sp.toString("CenterZ", center_.z);
}

void RadialField::drawField(CDC* dc, CPoint indicatorFrom, CPoint indicatorTo) const
{
    const int previousRop = dc->SetROP2(R2_NOT);
    LOGBRUSH hollow;
    hollow.lbStyle = BS_NULL;
    hollow.lbColor = RGB(255, 255, 255);
    hollow.lbHatch = 0;
    CBrush brush;
    brush.CreateBrushIndirect(&hollow);
    CBrush* previousBrush = dc->SelectObject(&brush);
    dc->SetBkMode(TRANSPARENT);
    for (float radius : { radiusOut_, radiusIn_ }) {
        dc->Ellipse(platform::TruncToInt(center_.x - radius), platform::TruncToInt(center_.y - radius),
            platform::TruncToInt(center_.x + radius), platform::TruncToInt(center_.y + radius));
    }
    dc->MoveTo(indicatorFrom.x, indicatorFrom.y);
    dc->LineTo(indicatorTo.x, indicatorTo.y);
    dc->SelectObject(previousBrush);
    brush.DeleteObject();
    dc->SetROP2(previousRop);
}
