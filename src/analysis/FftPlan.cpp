#include "analysis/FftPlan.h"

#include <fftw3.h>

#include <sys/mman.h>

#include <climits>
#include <cstdlib>
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
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    const std::size_t bytes = static_cast<std::size_t>(n / 2 + 1) * 2 * sizeof(double);
    const std::size_t align = bytes >= kHuge ? kHuge : 64;
    const std::size_t rounded = (bytes + align - 1) / align * align;
    in_ = static_cast<double*>(std::aligned_alloc(align, rounded));
    if (in_ == nullptr) return;
    if (align == kHuge) ::madvise(in_, rounded, MADV_HUGEPAGE);
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
    std::free(in_);
}

void FftPlan::Run() { fftw_execute(static_cast<fftw_plan>(plan_)); }

}  // namespace kivelo
