#include "particle/constraints/RenderLight.h"

#include "particle/core/IDirectImage.h"
#include "particle/core/IImageProvider.h"
#include "particle/core/ParallelLoop.h"
#include "particle/core/ParticleAccess.h"
#include "particle/core/ParticleSystem.h"
#include "particle/core/PixelRows.h"
#include "particle/core/StringParameters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

using Mote = LightBuffer::Mote;

// Below this many particles per band a second thread costs more than it saves; the same for pixels.
constexpr std::size_t kParticlesPerBand = 2000;
constexpr std::size_t kPixelsPerSlice = 1 << 18;
// Rows lit together while they stay in the cache: 64 rows of a full-HD picture take 1.5 MB. Thinner
// strips cost more than they save, in the moves that cross from one into the next; thicker ones are too
// few to share well between threads (measured at 16 to 128 rows).
constexpr int kStripRows = 64;
// Copies of a particle, on average, into the strips its move crosses.
constexpr std::size_t kMostCopies = 3;
// A particle's work against a pixel's (measured: about 40 ns against 6), for sharing strips between threads.
constexpr std::size_t kMoteCost = 8;
// More than an 8K picture; the buffer and the glow's two take 36 bytes a pixel.
constexpr std::size_t kMostPixels = 40000000;
constexpr int kWidestGlow = 64;
constexpr double kLn2 = 0.693147180559945309417232121458;

// log and exp of our own for the tone curve, so the desktop and the browser, whose C libraries round
// differently, build the same thresholds. frexp, ldexp and floor are exact; the rest is plain IEEE
// arithmetic. Accurate to a few units in the last place, which the curve's byte steps never notice.
double Log(double x)
{
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < 0.70710678118654752) {
        m *= 2.0;
        --e;
    }
    // log m = 2 atanh(s), |s| < 0.172: 20 terms of the series leave nothing a double holds.
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double term = s;
    double sum = 0.0;
    for (int i = 1; i <= 41; i += 2) {
        sum += term / i;
        term *= s2;
    }
    return 2.0 * sum + e * kLn2;
}

double Exp(double x)
{
    x = std::min(std::max(x, -700.0), 700.0);
    const double n = std::floor(x / kLn2 + 0.5);
    const double r = x - n * kLn2; // |r| <= 0.35
    double term = 1.0;
    double sum = 1.0;
    for (int i = 1; i < 24; ++i) {
        term *= r / i;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(n));
}

// One axis of Liang-Barsky clipping: narrows [t0, t1] to where p + t d lies within [lo, hi].
bool clipAxis(double p, double d, double lo, double hi, double& t0, double& t1)
{
    if (d == 0.0)
        return p >= lo && p <= hi;
    double a = (lo - p) / d;
    double b = (hi - p) / d;
    if (a > b)
        std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
    return t0 <= t1;
}

// One particle's last move in buffer coordinates, lit at n evenly spaced points up to and including its
// present position (its previous one was lit by the step before). Points lie at most a pixel apart.
struct Stroke {
    double x0, y0, dx, dy, n;
    float r, g, b; // light each point adds
};

// Box blurs of radius rho with running sums, so the cost does not grow with the radius. The sum for each
// value is always taken the same way, however rows or columns are shared out between threads.
//
// Along two rows of `count` pixels, red, green and blue interleaved (one row: the same one twice), with
// six sums in registers, each adding and taking away its values in the same order.
void boxTwoRows(const float* in0, const float* in1, float* out0, float* out1, int count, int rho)
{
    const double scale = 1.0 / (2 * rho + 1);
    double r0 = 0.0, g0 = 0.0, b0 = 0.0, r1 = 0.0, g1 = 0.0, b1 = 0.0;
    for (int i = 0; i < std::min(rho, count); ++i) {
        r0 += in0[i * 3];
        g0 += in0[i * 3 + 1];
        b0 += in0[i * 3 + 2];
        r1 += in1[i * 3];
        g1 += in1[i * 3 + 1];
        b1 += in1[i * 3 + 2];
    }
#ifdef __SSE2__
    // The six sums two a vector: red and green of each row, and the two rows' blue.
    __m128d rg0 = _mm_set_pd(g0, r0);
    __m128d rg1 = _mm_set_pd(g1, r1);
    __m128d bb = _mm_set_pd(b1, b0);
    const __m128d k = _mm_set1_pd(scale);
    auto pair = [](const float* f) {
        return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(f))));
    };
    auto blues
        = [](const float* a, const float* b) { return _mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(a), _mm_load_ss(b))); };
    // Pixel i adds pixel i + rho while there is one and takes away pixel i - rho - 1 once there is one.
    auto run = [&](int begin, int end, auto add, auto take) {
        const int ahead = rho * 3;
        const int behind = (rho + 1) * 3;
        for (int i = begin; i < end; ++i) {
            const int at = i * 3;
            if (decltype(add)::value) {
                rg0 = _mm_add_pd(rg0, pair(in0 + at + ahead));
                rg1 = _mm_add_pd(rg1, pair(in1 + at + ahead));
                bb = _mm_add_pd(bb, blues(in0 + at + ahead + 2, in1 + at + ahead + 2));
            }
            if (decltype(take)::value) {
                rg0 = _mm_sub_pd(rg0, pair(in0 + at - behind));
                rg1 = _mm_sub_pd(rg1, pair(in1 + at - behind));
                bb = _mm_sub_pd(bb, blues(in0 + at - behind + 2, in1 + at - behind + 2));
            }
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out0 + at), _mm_castps_si128(_mm_cvtpd_ps(_mm_mul_pd(rg0, k))));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out1 + at), _mm_castps_si128(_mm_cvtpd_ps(_mm_mul_pd(rg1, k))));
            const __m128 b = _mm_cvtpd_ps(_mm_mul_pd(bb, k));
            _mm_store_ss(out0 + at + 2, b);
            _mm_store_ss(out1 + at + 2, _mm_shuffle_ps(b, b, 1));
        }
    };
#else
    // The six sums run side by side, each still adding and taking away its values in the same order,
    // so the processor overlaps them.
    auto run = [&](int begin, int end, auto add, auto take) {
        auto value = [&](double& sum, const float* in, float* out, int at) {
            if (decltype(add)::value)
                sum += in[at + rho * 3];
            if (decltype(take)::value)
                sum -= in[at - (rho + 1) * 3];
            out[at] = static_cast<float>(sum * scale);
        };
        for (int i = begin; i < end; ++i) {
            value(r0, in0, out0, i * 3);
            value(g0, in0, out0, i * 3 + 1);
            value(b0, in0, out0, i * 3 + 2);
            value(r1, in1, out1, i * 3);
            value(g1, in1, out1, i * 3 + 1);
            value(b1, in1, out1, i * 3 + 2);
        }
    };
#endif
    using Yes = std::true_type;
    using No = std::false_type;
    const int adding = std::max(0, count - rho);
    const int taking = std::min(count, rho + 1);
    run(0, std::min(adding, taking), Yes(), No());
    if (adding < taking)
        run(adding, taking, No(), No());
    else
        run(taking, adding, Yes(), Yes());
    run(std::max(adding, taking), count, No(), Yes());
}

// Down the values [begin, end) of every row of `rows` rows of `line` values: a sum per value, moved on a
// row at a time, so memory is read along rows.
class ColumnBox {
public:
    ColumnBox(const float* in, std::size_t line, int rows, std::size_t begin, std::size_t end, int rho)
        : in_(in + begin)
        , line_(line)
        , rows_(rows)
        , rho_(rho)
        , scale_(1.0 / (2 * rho + 1))
        , sums_(end - begin, 0.0)
    {
    }
    // The input row that must be ready before row y is worked out.
    int lastRowNeeded(int y) const { return std::min(y + rho_, rows_ - 1); }
    // Adds the rows before the first row's reach.
    void prime()
    {
        for (int y = 0; y < std::min(rho_, rows_); ++y) {
            const float* r = at(y);
            for (std::size_t i = 0; i < sums_.size(); ++i)
                sums_[i] += r[i];
        }
    }
    // Row y's blurred values into out, rows in order from 0. One walk along the row for the value
    // entering, the one leaving and the result.
    void row(int y, float* out)
    {
        const float* add = y + rho_ < rows_ ? at(y + rho_) : nullptr;
        const float* take = y - rho_ - 1 >= 0 ? at(y - rho_ - 1) : nullptr;
        double* sum = sums_.data();
        const std::size_t n = sums_.size();
        if (add && take) {
            std::size_t i = 0;
#ifdef __SSE2__
            // Two values a vector, each lane doing what the loop below does.
            const __m128d k = _mm_set1_pd(scale_);
            auto two = [](const float* f) {
                return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(f))));
            };
            for (; i + 2 <= n; i += 2) {
                const __m128d v = _mm_sub_pd(_mm_add_pd(_mm_loadu_pd(sum + i), two(add + i)), two(take + i));
                _mm_storeu_pd(sum + i, v);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_castps_si128(_mm_cvtpd_ps(_mm_mul_pd(v, k))));
            }
#endif
            for (; i < n; ++i) {
                double v = sum[i] + add[i];
                v -= take[i];
                sum[i] = v;
                out[i] = static_cast<float>(v * scale_);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                if (add)
                    sum[i] += add[i];
                if (take)
                    sum[i] -= take[i];
                out[i] = static_cast<float>(sum[i] * scale_);
            }
        }
    }

private:
    const float* at(int row) const
    {
        return in_ + static_cast<std::size_t>(row) * line_;
    }
    const float* in_;
    std::size_t line_;
    int rows_;
    int rho_;
    double scale_;
    std::vector<double> sums_;
};

template <typename P> Mote moteOf(const P& p)
{
    return { p.locationX(), p.locationY(), p.previousLocationX(), p.previousLocationY(),
        static_cast<std::uint32_t>(p.color()) };
}

} // namespace

bool LightBuffer::fit(int width, int height)
{
    if (width == width_ && height == height_ && !light_.empty())
        return true;
    light_.clear();
    glow_.clear();
    scratch_.clear();
    width_ = 0;
    height_ = 0;
    if (width <= 0 || height <= 0 || static_cast<std::size_t>(width) > kMostPixels / static_cast<std::size_t>(height))
        return false;
    try {
        light_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

std::unique_ptr<IConstraint> RenderLight::Create()
{
    return std::make_unique<RenderLight>();
}

CString RenderLight::GetClassName()
{
    return "render.RenderLight";
}

void RenderLight::updateToneCurve()
{
    // A channel gets byte b when 255 x (log(1 + k E L) / log(1 + k))^(1 / gamma) >= b, that is when
    // L >= (exp(u log(1 + k)) - 1) / (k E) with u = (b / 255)^gamma; with k = 0 the curve is a line,
    // L >= u / E. Tags are held to where the curve means something; NaN gives no light.
    const double exposure = exposure_ > 0.0f ? std::min(exposure_, 1.0e30f) : 0.0f;
    const double k = density_ > 0.0f ? std::min(density_, 1.0e9f) : 0.0f;
    const double gamma = gamma_ > 0.05f ? std::min(gamma_, 20.0f) : 0.05;
    const double logK = Log(1.0 + k);
    float previous = 0.0f;
    for (int b = 1; b <= 255; ++b) {
        const double u = Exp(gamma * Log(b / 255.0));
        double t = std::numeric_limits<double>::infinity();
        if (exposure > 0.0)
            t = (k > 0.0 ? (Exp(u * logK) - 1.0) / k : u) / exposure;
        // A hair low, so light exactly on a step (a whole byte's worth on a straight curve) gets that
        // byte whatever the last bit of the logarithms; and monotone, so a search finds the byte.
        previous = std::max(previous, static_cast<float>(t * (1.0 - 1.0e-6)));
        thresholds_[b - 1] = previous;
    }
    thresholds_[255] = std::numeric_limits<float>::quiet_NaN();
    startOfBucket_.resize(std::size_t(1) << (32 - kBucketShift));
    for (std::size_t i = 0; i < startOfBucket_.size(); ++i) {
        const std::uint32_t bits = static_cast<std::uint32_t>(i << kBucketShift);
        float first = 0.0f;
        std::memcpy(&first, &bits, sizeof first);
        startOfBucket_[i] = static_cast<std::uint8_t>(first >= 0.0f ? thresholdsReached(first) : 0);
    }
    // With no two thresholds in one bucket, one step past the bucket's count is all a value can need.
    oneThresholdABucket_ = true;
    for (int b = 0; b + 1 < 255; ++b) {
        std::uint32_t here = 0;
        std::uint32_t next = 0;
        std::memcpy(&here, &thresholds_[b], sizeof here);
        std::memcpy(&next, &thresholds_[b + 1], sizeof next);
        if (here >> kBucketShift == next >> kBucketShift)
            oneThresholdABucket_ = false;
    }
}

int RenderLight::thresholdsReached(float light) const
{
    int lo = 0;
    int hi = 255;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (thresholds_[mid] <= light)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

namespace {
// How many thresholds the light reaches. The table gives the count at the start of the light's bucket
// of floats; the few thresholds inside a bucket are then stepped over one by one. Held apart from the
// renderer so a loop keeps the table and the thresholds in registers while it stores bytes.
template <bool OneABucket>
int thresholdsAt(const std::uint8_t* startOfBucket, const float* thresholds, int bucketShift, float light)
{
    if (!(light >= 0.0f))
        return 0; // NaN and negatives reach none
    std::uint32_t bits = 0;
    std::memcpy(&bits, &light, sizeof bits);
    int byte = startOfBucket[bits >> bucketShift];
    // Mostly one threshold or none: that step taken without a branch (the last entry is NaN, reached by
    // nothing).
    byte += thresholds[byte] <= light;
    if (!OneABucket) {
        while (byte < 255 && thresholds[byte] <= light)
            ++byte;
    }
    return byte;
}
} // namespace

int RenderLight::toneMap(float light) const
{
    return oneThresholdABucket_ ? thresholdsAt<true>(startOfBucket_.data(), thresholds_, kBucketShift, light)
                                : thresholdsAt<false>(startOfBucket_.data(), thresholds_, kBucketShift, light);
}

void RenderLight::splat(
    ParticleCollection& particles, LightBuffer& buffer, const LightPlacement& placement, int glowRadius) const
{
    const int w = buffer.width();
    const int h = buffer.height();
    // At the scene's own size a point lights the pixel its coordinates truncate to, as every other
    // drawing of the program does. At any other size it is a box of the size a scene pixel has there,
    // shared between the pixels it covers by area: smooth edges, and streaks as wide as at 1x.
    const float s = placement.scale;
    const bool pixelExact = s == 1.0f && placement.offsetX == std::trunc(placement.offsetX)
        && placement.offsetY == std::trunc(placement.offsetY);
    const double half = pixelExact ? 0.0 : std::max(1.0, static_cast<double>(s)) * 0.5;
    // Light per area stays as at 1x: a smaller picture gets the light of its smaller area.
    const double area = s < 1.0f ? static_cast<double>(s) * s : 1.0;
    const double opacity = std::isfinite(opacity_) && opacity_ > 0.0f ? opacity_ : 0.0;
    // A negative decay would let light grow without end; NaN clears.
    const float keep = decay_ <= 0.0f ? 1.0f : decay_ < 1.0f ? 1.0f - decay_ : 0.0f;

    auto strokeOf = [&](const Mote& m, Stroke& st) {
        const double x = static_cast<double>(m.x) * s + placement.offsetX;
        const double y = static_cast<double>(m.y) * s + placement.offsetY;
        const double px = static_cast<double>(m.px) * s + placement.offsetX;
        const double py = static_cast<double>(m.py) * s + placement.offsetY;
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(px) || !std::isfinite(py))
            return false;
        st.x0 = px;
        st.y0 = py;
        st.dx = x - px;
        st.dy = y - py;
        st.n = std::max(1.0, std::ceil(std::max(std::fabs(st.dx), std::fabs(st.dy))));
        // Points are counted in doubles, exact up to 2^53: a move that long lights nothing sensible.
        if (st.n > 1.0e15)
            return false;
        const double q = opacity * area / st.n;
        const unsigned long c = m.colour;
        st.r = static_cast<float>(PixelRows::unit(GetRValue(c)) * q);
        st.g = static_cast<float>(PixelRows::unit(GetGValue(c)) * q);
        st.b = static_cast<float>(PixelRows::unit(GetBValue(c)) * q);
        return true;
    };

    auto addBox = [&](double x, double y, const Stroke& st, int top, int bottom) {
        const double left = x - half;
        const double right = x + half;
        const double upper = std::max(y - half, static_cast<double>(top));
        const double lower = std::min(y + half, static_cast<double>(bottom));
        const int ix0 = std::max(0, static_cast<int>(std::floor(left)));
        const int ix1 = std::min(w - 1, static_cast<int>(std::floor(right)));
        for (int iy = static_cast<int>(std::floor(upper)); iy < bottom && iy < lower; ++iy) {
            const double cy = std::min(iy + 1.0, lower) - std::max(static_cast<double>(iy), upper);
            if (cy <= 0.0)
                continue;
            float* line = buffer.row(iy);
            for (int ix = ix0; ix <= ix1; ++ix) {
                const double cover = (std::min(ix + 1.0, right) - std::max(static_cast<double>(ix), left)) * cy;
                if (cover <= 0.0)
                    continue;
                float* px = line + ix * 3;
                px[0] += static_cast<float>(st.r * cover);
                px[1] += static_cast<float>(st.g * cover);
                px[2] += static_cast<float>(st.b * cover);
            }
        }
    };

    // Adds one stroke to the rows [top, bottom): only its points that can reach them are visited, and
    // each point's position is worked out the same way whichever band asks.
    auto addStroke = [&](const Stroke& st, int top, int bottom) {
        const double margin = half + 2.0;
        double t0 = 0.0;
        double t1 = 1.0;
        // Most strokes lie wholly inside: then every point is visited and clipping would change nothing.
        const double xEnd = st.x0 + st.dx;
        const double yEnd = st.y0 + st.dy;
        const bool inside = st.x0 >= -margin && st.x0 <= w + margin && xEnd >= -margin && xEnd <= w + margin
            && st.y0 >= top - margin && st.y0 <= bottom + margin && yEnd >= top - margin && yEnd <= bottom + margin;
        if (!inside
            && (!clipAxis(st.x0, st.dx, -margin, w + margin, t0, t1)
                || !clipAxis(st.y0, st.dy, top - margin, bottom + margin, t0, t1)))
            return;
        // A point's coordinates move monotonically from the start to the end, which are computed as the
        // last point's: when both ends light pixels of these rows, so does every point.
        if (pixelExact && inside && std::min(st.x0, xEnd) > -1.0 && std::max(st.x0, xEnd) < w
            && std::min(st.y0, yEnd) >= top && std::max(st.y0, yEnd) < bottom) {
            float* const light = buffer.row(0);
            const std::size_t line = static_cast<std::size_t>(w) * 3;
            for (double k = 1.0; k <= st.n; k += 1.0) {
                const double t = k / st.n;
                const double x = st.x0 + st.dx * t;
                const double y = st.y0 + st.dy * t;
                float* px = light + static_cast<std::size_t>(static_cast<int>(y)) * line + static_cast<int>(x) * 3;
                px[0] += st.r;
                px[1] += st.g;
                px[2] += st.b;
            }
            return;
        }
        const double first = std::max(1.0, std::floor(t0 * st.n) - 1.0);
        const double last = std::min(st.n, std::ceil(t1 * st.n) + 1.0);
        for (double k = first; k <= last; k += 1.0) {
            const double t = k / st.n;
            const double x = st.x0 + st.dx * t;
            const double y = st.y0 + st.dy * t;
            if (!pixelExact) {
                addBox(x, y, st, top, bottom);
                continue;
            }
            // Truncation toward zero: -1 < x < 1 is column 0.
            if (!(x > -1.0 && x < w && y > -1.0 && y < h))
                continue;
            const int iy = static_cast<int>(y);
            if (iy < top || iy >= bottom)
                continue;
            float* px = buffer.row(iy) + static_cast<int>(x) * 3;
            px[0] += st.r;
            px[1] += st.g;
            px[2] += st.b;
        }
    };

    auto fade = [&](int top, int bottom) {
        float* begin = buffer.row(top);
        float* end = buffer.row(bottom);
        if (keep == 0.0f)
            std::fill(begin, end, 0.0f);
        else if (keep != 1.0f)
            for (float* v = begin; v != end; ++v)
                *v *= keep;
    };

    if (!particles.holdsOnlyParticleBase()) {
        fade(0, h);
        const int count = particles.getParticleCount();
        for (int i = 0; i < count; ++i) {
            Stroke st;
            if (IGlintmote* p = particles.getParticle(i); p && strokeOf(moteOf(VirtualParticle(p)), st))
                addStroke(st, 0, h);
        }
        if (glowRadius > 0)
            glowRows(buffer, 0, h, glowRadius);
        return;
    }

    // The particles are first sorted into strips of rows, each strip's list in list order, so that a
    // strip is then faded, lit and its glow begun while its rows are in the cache, instead of every
    // particle reaching into the whole buffer. A pixel still gets its light in list order, so the bits
    // are the same however the strips or the threads are cut.
    const std::size_t count = particles.size();
    const int strips = (h + kStripRows - 1) / kStripRows;
    const int chunks = parallel::SliceCount(count, kParticlesPerBand);
    if (buffer.shares_.size() < static_cast<std::size_t>(chunks))
        buffer.shares_.resize(static_cast<std::size_t>(chunks));
    const double reach = half + 1.0;
    // Rows a stroke may light: its points' rows and the boxes around them; false when none of the
    // picture's. NaN fails both tests.
    auto rowsOf = [&](const Mote& m, double& lo, double& hi) {
        const double y = static_cast<double>(m.y) * s + placement.offsetY;
        const double py = static_cast<double>(m.py) * s + placement.offsetY;
        lo = std::min(y, py) - reach;
        hi = std::max(y, py) + reach;
        return hi >= 0.0 && lo < h;
    };
    // Room for n and an eighth more, so that a crowd growing by a few each tick is not copied each tick.
    auto makeRoom = [](auto& list, std::size_t n) {
        if (list.capacity() < n)
            list.reserve(n + n / 8);
    };
    // Moves that cross many strips are copied into each: past a few copies a particle on average (a
    // scene of long vertical jumps), or when memory runs out, the tick is lit the plain way instead.
    std::vector<unsigned char> sorted(static_cast<std::size_t>(chunks), 1);
    parallel::RunSlices(chunks, [&](int chunk) {
        LightBuffer::Share& share = buffer.shares_[static_cast<std::size_t>(chunk)];
        const std::size_t begin = count * static_cast<std::size_t>(chunk) / static_cast<std::size_t>(chunks);
        const std::size_t end = count * static_cast<std::size_t>(chunk + 1) / static_cast<std::size_t>(chunks);
        std::size_t room = (end - begin) * kMostCopies + kStripRows;
        try {
            share.strips.assign(static_cast<std::size_t>(strips) + 1, 0);
            share.reach.clear();
            makeRoom(share.reach, end - begin);
            for (std::size_t i = begin; i < end; ++i) {
                const Mote m = moteOf(DirectParticle(particles.particleBaseAt(i)));
                double lo = 0.0;
                double hi = 0.0;
                if (!rowsOf(m, lo, hi))
                    continue;
                const int first = static_cast<int>(std::max(lo, 0.0)) / kStripRows;
                const int last
                    = std::min(static_cast<int>(std::min(hi, static_cast<double>(h))) / kStripRows, strips - 1);
                if (static_cast<std::size_t>(last - first + 1) > room) {
                    sorted[chunk] = 0;
                    return;
                }
                room -= static_cast<std::size_t>(last - first + 1);
                share.reach.push_back({ m, first, last });
                for (int t = first; t <= last; ++t)
                    ++share.strips[static_cast<std::size_t>(t) + 1];
            }
            for (int t = 0; t < strips; ++t)
                share.strips[static_cast<std::size_t>(t) + 1] += share.strips[static_cast<std::size_t>(t)];
            const std::size_t copies = share.strips.back();
            makeRoom(share.motes, copies);
            share.motes.resize(copies);
            // Each strip's motes in list order.
            std::vector<std::size_t> at(share.strips.begin(), share.strips.end() - 1);
            for (const LightBuffer::Reach& r : share.reach) {
                for (int t = r.first; t <= r.last; ++t)
                    share.motes[at[static_cast<std::size_t>(t)]++] = r.mote;
            }
        } catch (const std::bad_alloc&) {
            sorted[chunk] = 0;
        }
    });
    if (std::find(sorted.begin(), sorted.end(), 0) != sorted.end()) {
        for (LightBuffer::Share& share : buffer.shares_)
            share = LightBuffer::Share();
        // Each band of rows walks every particle, in list order, and lights its own rows.
        const int bands = std::max(parallel::SliceCount(count, kParticlesPerBand),
            parallel::SliceCount(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), kPixelsPerSlice));
        parallel::RunSlices(bands, [&](int band) {
            const int top = static_cast<int>(static_cast<long long>(h) * band / bands);
            const int bottom = static_cast<int>(static_cast<long long>(h) * (band + 1) / bands);
            fade(top, bottom);
            for (std::size_t i = 0; i < count; ++i) {
                const Mote m = moteOf(DirectParticle(particles.particleBaseAt(i)));
                double lo = 0.0;
                double hi = 0.0;
                Stroke st;
                if (rowsOf(m, lo, hi) && hi >= top && lo < bottom && strokeOf(m, st))
                    addStroke(st, top, bottom);
            }
            if (glowRadius > 0)
                glowRows(buffer, top, bottom, glowRadius);
        });
        return;
    }

    // Strips shared out between threads by their work: a strip's particles and its pixels.
    std::vector<std::size_t>& cost = buffer.stripCost_;
    cost.assign(static_cast<std::size_t>(strips) + 1, 0);
    for (int t = 0; t < strips; ++t) {
        std::size_t motes = 0;
        for (int c = 0; c < chunks; ++c)
            motes += buffer.shares_[static_cast<std::size_t>(c)].strips[static_cast<std::size_t>(t) + 1]
                - buffer.shares_[static_cast<std::size_t>(c)].strips[static_cast<std::size_t>(t)];
        cost[t + 1] = cost[t] + motes * kMoteCost + static_cast<std::size_t>(w) * kStripRows;
    }
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    const int bands = std::min(strips,
        std::max(parallel::SliceCount(count, kParticlesPerBand), parallel::SliceCount(pixels, kPixelsPerSlice)));
    auto stripAt = [&](int band) {
        const std::size_t goal = cost[strips] / bands * band;
        return static_cast<int>(std::lower_bound(cost.begin(), cost.end(), goal) - cost.begin());
    };
    parallel::RunSlices(bands, [&](int band) {
        const int from = band == 0 ? 0 : stripAt(band);
        const int to = band == bands - 1 ? strips : stripAt(band + 1);
        for (int t = from; t < to; ++t) {
            const int top = t * kStripRows;
            const int bottom = std::min(h, top + kStripRows);
            fade(top, bottom);
            for (int c = 0; c < chunks; ++c) {
                const LightBuffer::Share& share = buffer.shares_[static_cast<std::size_t>(c)];
                for (std::size_t k = share.strips[static_cast<std::size_t>(t)];
                     k < share.strips[static_cast<std::size_t>(t) + 1]; ++k) {
                    Stroke st;
                    if (strokeOf(share.motes[k], st))
                        addStroke(st, top, bottom);
                }
            }
            if (glowRadius > 0)
                glowRows(buffer, top, bottom, glowRadius);
        }
    });
}

// The glow's two boxes, whose radii add up to the glow's radius, give a soft, tent-like blur that reaches
// exactly that far; rows first, then columns, each pass from one of the glow's buffers into the other.
namespace {
void glowRadii(int radius, int (&radii)[2])
{
    radii[0] = radius / 2;
    radii[1] = radius - radius / 2;
}
} // namespace

void RenderLight::glowRows(LightBuffer& buffer, int top, int bottom, int radius) const
{
    // Only the light above the threshold glows.
    const float threshold = glowThreshold_ > 0.0f ? glowThreshold_ : 0.0f;
    const std::size_t lineValues = static_cast<std::size_t>(buffer.width()) * 3;
    const float* light = buffer.light_.data();
    float* from = buffer.glow_.data();
    float* to = buffer.scratch_.data();
    std::size_t i = top * lineValues;
    const std::size_t end = bottom * lineValues;
#ifdef __SSE2__
    // Four at a time as std::max(v, 0.0f) does: 0 where v < 0, otherwise v (NaN and -0 kept).
    const __m128 t = _mm_set1_ps(threshold);
    for (; i + 4 <= end; i += 4) {
        const __m128 v = _mm_sub_ps(_mm_loadu_ps(light + i), t);
        _mm_storeu_ps(from + i, _mm_andnot_ps(_mm_cmplt_ps(v, _mm_setzero_ps()), v));
    }
#endif
    for (; i < end; ++i)
        from[i] = std::max(light[i] - threshold, 0.0f);
    int radii[2];
    glowRadii(radius, radii);
    for (int rho : radii) {
        if (rho == 0)
            continue;
        for (int y = top; y < bottom; y += 2) {
            const int next = std::min(y + 1, bottom - 1);
            boxTwoRows(from + y * lineValues, from + next * lineValues, to + y * lineValues, to + next * lineValues,
                buffer.width(), rho);
        }
        std::swap(from, to);
    }
}

void RenderLight::toneValues(
    const float* light, const float* halo, float strength, std::uint8_t* bgr, std::size_t begin, std::size_t end) const
{
    // Value i is channel i % 3 (red, green, blue) of pixel i / 3, whose bytes are stored blue first.
    // Unlit values need no test of their own: the table holds their byte.
    const std::uint8_t* const start = startOfBucket_.data();
    const float* const steps = thresholds_;
    auto run = [&](auto oneABucket) {
        auto tone = [&](std::size_t i, std::uint8_t& out) {
            float v = light[i];
            if (halo)
                v += strength * std::max(halo[i - begin], 0.0f);
            const int add = thresholdsAt<decltype(oneABucket)::value>(start, steps, kBucketShift, v);
            out = static_cast<std::uint8_t>(std::min(255, out + add));
        };
        std::size_t i = begin;
        for (; i < end && i % 3 != 0; ++i)
            tone(i, bgr[i + 2 - 2 * (i % 3)]);
        for (; i + 3 <= end; i += 3) {
            tone(i, bgr[i + 2]);
            tone(i + 1, bgr[i + 1]);
            tone(i + 2, bgr[i]);
        }
        for (; i < end; ++i)
            tone(i, bgr[i + 2 - 2 * (i % 3)]);
    };
    if (oneThresholdABucket_)
        run(std::true_type());
    else
        run(std::false_type());
}

void RenderLight::glowColumnsAndTone(LightBuffer& buffer, int radius, float strength, const PixelRows& target) const
{
    const int h = buffer.height();
    const std::size_t lineValues = static_cast<std::size_t>(buffer.width()) * 3;
    int radii[2];
    glowRadii(radius, radii);
    // Where the rows' passes left the glow.
    float* from = buffer.glow_.data();
    float* to = buffer.scratch_.data();
    for (int rho : radii) {
        if (rho != 0)
            std::swap(from, to);
    }
    // Both column passes in one walk down each piece of the rows: the first pass runs just far enough
    // ahead for the second, whose rows are toned as they come, so what the first wrote is read back
    // from the cache. The second radius is never 0.
    parallel::ForEachRange(
        lineValues, std::max<std::size_t>(1, kPixelsPerSlice / h), [&](std::size_t begin, std::size_t end) {
            ColumnBox first(from, lineValues, h, begin, end, radii[0]);
            int ready = h;
            if (radii[0] != 0) {
                first.prime();
                ready = 0;
            }
            auto upTo = [&](int row) {
                for (; ready <= row; ++ready)
                    first.row(ready, to + static_cast<std::size_t>(ready) * lineValues + begin);
            };
            ColumnBox last(radii[0] != 0 ? to : from, lineValues, h, begin, end, radii[1]);
            upTo(std::min(radii[1], h) - 1);
            last.prime();
            std::vector<float> halo(end - begin);
            for (int y = 0; y < h; ++y) {
                upTo(last.lastRowNeeded(y));
                last.row(y, halo.data());
                if (std::uint8_t* bgr = target.pixelBytes(0, y))
                    toneValues(buffer.row(y), halo.data(), strength, bgr, begin, end);
            }
        });
}

bool RenderLight::renderLight(
    ParticleCollection& particles, LightBuffer& buffer, const PixelRows& target, const LightPlacement& placement)
{
    if (target.isEmpty() || !(placement.scale > 0.0f) || !std::isfinite(placement.scale)
        || !std::isfinite(placement.offsetX) || !std::isfinite(placement.offsetY)
        || !buffer.fit(target.width(), target.height()))
        return false;
    if (curveStale_) {
        updateToneCurve();
        curveStale_ = false;
    }
    const int w = buffer.width();
    const int h = buffer.height();
    const float scaledRadius = std::round(static_cast<float>(std::min(glowRadius_, kWidestGlow)) * placement.scale);
    const int radius = static_cast<int>(std::min(scaledRadius, static_cast<float>(kWidestGlow * 8)));
    const float strength = std::isfinite(glowStrength_) && glowStrength_ > 0.0f ? glowStrength_ : 0.0f;
    const bool glowing = radius > 0 && strength > 0.0f;
    try {
        if (glowing) {
            buffer.glow_.resize(buffer.light_.size());
            buffer.scratch_.resize(buffer.light_.size());
        }
        splat(particles, buffer, placement, glowing ? radius : 0);
        if (glowing) {
            glowColumnsAndTone(buffer, radius, strength, target);
            return true;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    const int slices = parallel::SliceCount(pixels, kPixelsPerSlice);
    parallel::RunSlices(slices, [&](int slice) {
        const int top = static_cast<int>(static_cast<long long>(h) * slice / slices);
        const int bottom = static_cast<int>(static_cast<long long>(h) * (slice + 1) / slices);
        for (int y = top; y < bottom; ++y) {
            if (std::uint8_t* bgr = target.pixelBytes(0, y))
                toneValues(buffer.row(y), nullptr, 0.0f, bgr, 0, static_cast<std::size_t>(w) * 3);
        }
    });
    return true;
}

unsigned char RenderLight::apply(ParticleSystem* system)
{
    IImageProvider* store = system ? system->GetImageProvider() : nullptr;
    if (!store)
        return 0;
    IImage* picture = store->GetImage(renderToImage_);
    if (!picture)
        return 0;
    if (auto* direct = dynamic_cast<IDirectImage*>(picture)) {
        const PixelRows rows = direct->BeginDirectDrawing();
        if (!rows.isEmpty()) {
            const bool drawn = renderLight(system->particles, buffer_, rows, LightPlacement());
            direct->EndDirectDrawing();
            return drawn ? 1 : 0;
        }
    }
    // A picture of another kind: its pixels copied out and back.
    const int w = picture->GetWidth();
    const int h = picture->GetHeight();
    if (w <= 0 || h <= 0 || static_cast<std::size_t>(w) > kMostPixels / static_cast<std::size_t>(h))
        return 0;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    picture->Lock();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = picture->GetPixel(x, y);
            std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * w + x) * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    const bool drawn = renderLight(system->particles, buffer_,
        PixelRows(bytes.data(), static_cast<std::ptrdiff_t>(w) * 3, w, h), LightPlacement());
    if (drawn) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = &bytes[(static_cast<std::size_t>(y) * w + x) * 3];
                picture->SetPixel(x, y, RGB(p[2], p[1], p[0]));
            }
        }
    }
    picture->Unlock();
    return drawn ? 1 : 0;
}

unsigned char RenderLight::setParametersFromString(CString params)
{
    StringParameters sp;
    renderToImage_ = sp.getStringParameter(params, "RenderToImage", renderToImage_);
    opacity_ = sp.getFloatParameter(params, "Opacity", opacity_);
    exposure_ = sp.getFloatParameter(params, "Exposure", exposure_);
    density_ = sp.getFloatParameter(params, "Density", density_);
    gamma_ = sp.getFloatParameter(params, "Gamma", gamma_);
    decay_ = sp.getFloatParameter(params, "Decay", decay_);
    glowRadius_ = std::min(std::max(sp.getIntParameter(params, "Glow Radius", glowRadius_), 0), kWidestGlow);
    glowStrength_ = sp.getFloatParameter(params, "Glow Strength", glowStrength_);
    glowThreshold_ = sp.getFloatParameter(params, "Glow Threshold", glowThreshold_);
    resourceOnly = sp.getBooleanParameter(params, "Resource Only", resourceOnly);
    curveStale_ = true;
    return 1;
}

CString RenderLight::getParameterExample()
{
    StringParameters sp;
    return sp.toString("RenderToImage", renderToImage_) + sp.toString("Opacity", opacity_)
        + "// Opacity: light a particle adds each step, spread along its move (1: a still white particle lights its "
          "pixel fully)\r\n"
        + sp.toString("Exposure", exposure_) + sp.toString("Density", density_) + sp.toString("Gamma", gamma_)
        + "// Pixel = 255 x (log(1 + Density x Exposure x light) / log(1 + Density))^(1 / Gamma); Density 0: "
          "straight\r\n"
        + sp.toString("Decay", decay_) + "// Decay: fraction of the light lost each step (1: no trails)\r\n"
        + sp.toString("Glow Radius", glowRadius_) + sp.toString("Glow Strength", glowStrength_)
        + sp.toString("Glow Threshold", glowThreshold_)
        + "// Glow: light above Glow Threshold blurred over Glow Radius pixels (0: none), times Glow Strength\r\n"
        + sp.toString("Resource Only", resourceOnly);
}

unsigned char RenderLight::draw(CDC*, CSize)
{
    return 0;
}
