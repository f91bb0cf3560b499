#pragma once

#include "player/app/Finding.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class IConstraint;

// One tag a constraint class reads, as the class's own example text lists it, with the kind of value
// the example shows: "true"/"false", a whole number, a number with a decimal point, or text.
struct ClassTag {
    enum class Type { Text, WholeNumber, Number, TrueFalse };
    std::string name;
    Type type = Type::Text;
    std::string value; // as the example writes it: the default, or the value last given
};

// The tags of a constraint, read from its getParameterExample(): the classes themselves are the one
// list of tags there is.
std::vector<ClassTag> TagsOf(IConstraint& constraint);
// The value a tag has in a list made by TagsOf; empty when the list has no such tag.
std::string TagValue(const std::vector<ClassTag>& tags, const std::string& name);

// The picture file a constraint with these tags reads first: its "Image Filename", with its "Current
// Index" put in when it reads a numbered sequence; empty when it reads no picture file.
std::string FirstPictureFile(const std::vector<ClassTag>& tags);

// Takes a finding at an offset into the parameter text; the caller knows the file and the line.
using TagFindingSink = std::function<void(std::size_t offset, Finding finding)>;

// Reports how the parameter text reads for a class whose tags are given: tags the class does not read
// (with the nearest one it does), tags it reads that are not closed or stand on a comment line, and
// values that are not of the tag's kind (with what is read instead). owner names the class in messages.
void CheckTags(
    const std::string& owner, const std::vector<ClassTag>& tags, const std::string& params, const TagFindingSink& sink);
