#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

// What one step of the default scene costs without the engine's objects: the same arithmetic in the
// same precision and order as the uniform factory at its limit, the radial force, the age rule and the
// bounds rule followed by the move, over plain arrays with no virtual calls. Its results must equal the
// engine's bit for bit; the benchmark checks that before it measures anything.
class EngineStepBaseline {
public:
    // The default scene's field and rules; only the maximum age is raised so nothing expires.
    float centerX = 160.0f, centerY = 120.0f, centerZ = 0.0f;
    float radiusIn = 0.0f, radiusOut = 320.0f, force = -1.0f;
    int maximumAge = 160;
    float left = 0.0f, top = 0.0f, right = 640.0f, bottom = 480.0f;

    std::vector<float> x, y, prevX, prevY, dx, dy;
    std::vector<int> age;

    void add(float px, float py, float vx, float vy)
    {
        x.push_back(px);
        y.push_back(py);
        prevX.push_back(px);
        prevY.push_back(py);
        dx.push_back(vx);
        dy.push_back(vy);
        age.push_back(0);
    }

    std::size_t size() const { return x.size(); }

    void step()
    {
        constexpr double kPi = 3.1415926535;
        const std::size_t n = x.size();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < n; ++i) {
            float vx = dx[i];
            float vy = dy[i];
            const float ox = x[i] - centerX;
            const float oy = y[i] - centerY;
            const float oz = 0.0f - centerZ;
            const float distance = static_cast<float>(std::sqrt(static_cast<double>(ox * ox + oy * oy + oz * oz)));
            const float width = radiusOut - radiusIn;
            const float fraction = (distance - radiusIn) / width;
            if (width != 0.0f && fraction < 1.0f) {
                const float strength
                    = static_cast<float>((std::cos(static_cast<double>(fraction) * 1.0f * kPi) + 1.0) * 0.5 * force);
                const double length = std::sqrt(
                    static_cast<double>(ox) * ox + static_cast<double>(oy) * oy + static_cast<double>(oz) * oz);
                const float ux = length == 0.0 ? 0.0f : static_cast<float>(ox / length);
                const float uy = length == 0.0 ? 0.0f : static_cast<float>(oy / length);
                vx = vx + ux * strength;
                vy = vy + uy * strength;
            }
            const bool expired = age[i] > maximumAge;
            const bool outside = x[i] < left || x[i] >= right || y[i] < top || y[i] >= bottom;
            if (expired || outside)
                continue;
            // The rules only read position and age, so testing them after the force changes nothing.
            prevX[kept] = x[i];
            prevY[kept] = y[i];
            x[kept] = x[i] + vx;
            y[kept] = y[i] + vy;
            dx[kept] = vx;
            dy[kept] = vy;
            age[kept] = age[i] + 1;
            ++kept;
        }
        for (std::vector<float>* column : { &x, &y, &prevX, &prevY, &dx, &dy })
            column->resize(kept);
        age.resize(kept);
    }
};
