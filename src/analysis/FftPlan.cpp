#include "analysis/FftPlan.h"

#include <fftw3.h>

#include <climits>
#include <mutex>

namespace kivelo {

namespace {

std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

FftPlan::FftPlan(int64_t n) : n_(n) {
    if (n < 1 || n > INT_MAX) return;
    in_ = fftw_alloc_real(static_cast<std::size_t>(n));
    auto* out = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    out_ = out;
    if (in_ == nullptr || out == nullptr) return;
    std::lock_guard lock(PlannerLock());
    // Estimated plans: measuring would cost more than the one transform they serve.
    plan_ = fftw_plan_dft_r2c_1d(static_cast<int>(n), in_, out, FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
}

FftPlan::~FftPlan() {
    if (plan_ != nullptr) {
        std::lock_guard lock(PlannerLock());
        fftw_destroy_plan(static_cast<fftw_plan>(plan_));
    }
    fftw_free(in_);
    fftw_free(out_);
}

void FftPlan::Run() { fftw_execute(static_cast<fftw_plan>(plan_)); }

}  // namespace kivelo
