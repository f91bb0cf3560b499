#include "particle/constraints/ColourRamp.h"

#include "particle/core/IGlintmote.h"
#include "particle/core/StringParameters.h"
#include "platform/Colour.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// More stops than anyone draws by hand; a longer list is cut here rather than grown without end.
constexpr std::size_t kMaxStops = 64;

int channel(float value)
{
    return platform::TruncToInt(std::min(255.0f, std::max(0.0f, value)) + 0.5f);
}

} // namespace

std::unique_ptr<IConstraint> ColourRamp::Create()
{
    return std::make_unique<ColourRamp>();
}

CString ColourRamp::GetClassName()
{
    return "constraint.ColourRamp";
}

std::vector<ColourRamp::Stop> ColourRamp::parseStops(const std::string& text)
{
    std::vector<Stop> stops;
    std::size_t from = 0;
    while (from <= text.size() && stops.size() < kMaxStops) {
        std::size_t end = text.find(';', from);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(from, end - from);
        from = end + 1;
        float values[5] = { 0.0f, 0.0f, 0.0f, 0.0f, 1.0f };
        int count = 0;
        bool spoiled = false;
        const char* at = item.c_str();
        while (count < 5) {
            while (*at == ' ' || *at == '\t' || *at == '\r' || *at == '\n' || *at == ',')
                ++at;
            if (*at == '\0')
                break;
            const char* start = at;
            // A word that does not start like a number spoils the stop (rather than reading as 0).
            if (!((*at >= '0' && *at <= '9') || *at == '-' || *at == '+' || *at == '.')) {
                spoiled = true;
                break;
            }
            while (*at != '\0' && *at != ' ' && *at != '\t' && *at != '\r' && *at != '\n' && *at != ',')
                ++at;
            const double value = platform::ParseDouble(std::string(start, at).c_str());
            if (!std::isfinite(value)) {
                spoiled = true;
                break;
            }
            values[count++] = platform::ToFloat(value);
        }
        if (count >= 4 && !spoiled)
            stops.push_back({ values[0], values[1], values[2], values[3], std::min(1.0f, std::max(0.0f, values[4])) });
    }
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.position < b.position; });
    return stops;
}

unsigned long ColourRamp::colourAt(float position) const
{
    if (stops_.empty())
        return 0;
    std::size_t next = 0;
    while (next < stops_.size() && !(position < stops_[next].position))
        ++next;
    const Stop& a = stops_[next == 0 ? 0 : next - 1];
    const Stop& b = stops_[next == stops_.size() ? next - 1 : next];
    float t = 0.0f;
    if (b.position > a.position)
        t = (position - a.position) / (b.position - a.position);
    const float opacity = a.opacity + (b.opacity - a.opacity) * t;
    const float red = (a.red + (b.red - a.red) * t) * opacity;
    const float green = (a.green + (b.green - a.green) * t) * opacity;
    const float blue = (a.blue + (b.blue - a.blue) * t) * opacity;
    return RGB(channel(red), channel(green), channel(blue));
}

unsigned char ColourRamp::apply(IGlintmote* particle)
{
    float value = 0.0f;
    if (bySpeed_) {
        const float dx = particle->getDeltaX();
        const float dy = particle->getDeltaY();
        value = std::sqrt(dx * dx + dy * dy);
    } else {
        value = static_cast<float>(particle->getAge());
    }
    if (span_ > 0.0f)
        value /= span_;
    particle->setColor(colourAt(value));
    return 1;
}

unsigned char ColourRamp::setParametersFromString(CString params)
{
    ConstraintBase::setParametersFromString(params);
    StringParameters sp;
    const CString stops = sp.getStringParameter(params, "Stops", stopsText_);
    if (!(stops == stopsText_)) {
        stopsText_ = stops;
        stops_ = parseStops(stopsText_.str());
    }
    const CString by = sp.getStringParameter(params, "By", bySpeed_ ? "speed" : "age");
    std::string word = by.str();
    for (char& c : word)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    bySpeed_ = word == "speed";
    const float span = sp.getFloatParameter(params, "Span", span_);
    span_ = std::isfinite(span) ? span : span_;
    return 1;
}

CString ColourRamp::getParameterExample()
{
    StringParameters sp;
    return ConstraintBase::getParameterExample() + sp.toString("Stops", stopsText_)
        + "// Stops: position red green blue [opacity]; ... (positions are fractions of Span, or plain ages or speeds "
          "with Span 0)\r\n"
        + sp.toString("By", CString(bySpeed_ ? "speed" : "age")) + sp.toString("Span", span_);
}

unsigned char ColourRamp::draw(CDC*, CSize)
{
    return 0;
}
