#include "analysis/FftPlan.h"

#include "common/HugePages.h"

#include <fftw3.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <new>

namespace kivelo {

namespace {

std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

FftPlan::FftPlan(int64_t n) : n_(n) {
    if (n < 1 || n > INT_MAX) return;
    bytes_ = static_cast<std::size_t>(n / 2 + 1) * 2 * sizeof(double);
    try {
        in_ = static_cast<double*>(AllocateHuge(bytes_));
    } catch (const std::bad_alloc&) {
        return;  // no plan: the caller reports the transform as impossible
    }
    std::lock_guard lock(PlannerLock());
    // Estimated plans: measuring would cost more than the one transform they serve.
    plan_ = fftw_plan_dft_r2c_1d(static_cast<int>(n), in_, reinterpret_cast<fftw_complex*>(in_),
                                 FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
}

FftPlan::~FftPlan() {
    if (plan_ != nullptr) {
        std::lock_guard lock(PlannerLock());
        fftw_destroy_plan(static_cast<fftw_plan>(plan_));
    }
    if (in_ != nullptr) FreeHuge(in_, bytes_);
}

void FftPlan::Run() { fftw_execute(static_cast<fftw_plan>(plan_)); }

}  // namespace kivelo
