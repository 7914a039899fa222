// Shared pieces of the engine tests: recorded warnings and tone measurements on sample histories.
#pragma once

#include <audioengine.h>

#include <cmath>
#include <complex>
#include <mutex>
#include <string>
#include <vector>

namespace zelvaro::test {

// Records every text the engine would show in a warning box.
class TWarnRecorder {
public:
    TWarnFunction Warn()
    {
        return [this](const std::string &text) {
            std::lock_guard<std::mutex> lock(FMutex);
            FTexts.push_back(text);
        };
    }
    std::vector<std::string> Texts() const
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return FTexts;
    }

private:
    mutable std::mutex FMutex;
    std::vector<std::string> FTexts;
};

// Least-squares fit of a cosine of known frequency (amplitude, phase, offset); the residual
// shows any discontinuity such as a lost or repeated block.
struct TToneFit {
    double Amplitude = 0;
    double MaxResidual = 0;
};

inline TToneFit FitTone(const std::vector<float> &x, double freqHz, double rateHz)
{
    const double w = 2.0 * 3.14159265358979323846 * freqHz / rateHz;
    // Normal equations for x ~ a cos + b sin + c.
    double m[3][4] = {};
    for (size_t n = 0; n < x.size(); ++n) {
        const double basis[3] = {std::cos(w * static_cast<double>(n)), std::sin(w * static_cast<double>(n)), 1.0};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += basis[i] * basis[j];
            m[i][3] += basis[i] * x[n];
        }
    }
    for (int i = 0; i < 3; ++i) {  // Gauss-Jordan, the matrix is well conditioned
        for (int k = 0; k < 3; ++k) {
            if (k == i)
                continue;
            const double f = m[k][i] / m[i][i];
            for (int j = 0; j < 4; ++j)
                m[k][j] -= f * m[i][j];
        }
    }
    const double a = m[0][3] / m[0][0], b = m[1][3] / m[1][1], c = m[2][3] / m[2][2];
    TToneFit fit;
    fit.Amplitude = std::hypot(a, b);
    for (size_t n = 0; n < x.size(); ++n) {
        const double model = a * std::cos(w * static_cast<double>(n)) + b * std::sin(w * static_cast<double>(n)) + c;
        fit.MaxResidual = std::max(fit.MaxResidual, std::abs(x[n] - model));
    }
    return fit;
}

inline double DbFullScale(double amplitude)
{
    return 20.0 * std::log10(amplitude / 32767.0);
}

}  // namespace zelvaro::test
