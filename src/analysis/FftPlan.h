#pragma once
// One FFTW real-to-complex transform of n points, in place in a buffer of its
// own (huge pages where it is large: a transform touches every page once, and
// small pages would cost more in faults than the transform itself). FFTW's
// planner is not thread-safe, so plans are made and destroyed under one lock;
// running a plan is.
#include <complex>
#include <cstdint>
#include <memory>
#include <span>

namespace kivelo {

class FftPlan {
public:
    // n >= 1; Ok() tells whether the buffers and the plan could be made.
    explicit FftPlan(int64_t n);
    ~FftPlan();
    FftPlan(const FftPlan&) = delete;
    FftPlan& operator=(const FftPlan&) = delete;

    bool Ok() const { return plan_ != nullptr; }
    int64_t Size() const { return n_; }
    // The n input values, then (after Run) the n / 2 + 1 output bins.
    std::span<double> Input() { return {in_, static_cast<std::size_t>(n_)}; }
    std::span<const std::complex<double>> Output() const {
        return {reinterpret_cast<const std::complex<double>*>(in_), static_cast<std::size_t>(n_ / 2 + 1)};
    }
    void Run();

private:
    int64_t n_ = 0;
    double* in_ = nullptr;  // n values in, n / 2 + 1 complex bins out
    std::size_t bytes_ = 0;
    void* plan_ = nullptr;
};

}  // namespace kivelo
