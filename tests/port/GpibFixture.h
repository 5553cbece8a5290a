#pragma once
// Fixture: the binding under test loads the fake GPIB library, and the test
// holds its own reference to the same instance to steer and inspect it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FakeGpibState.h"
#include "port/GpibLibrary.h"

using Calls = std::vector<std::string>;

inline std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class FakeGpibTest : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(FAKE_GPIB_PATH, RTLD_NOW);
        ASSERT_NE(handle_, nullptr) << dlerror();
        auto stateFn = reinterpret_cast<FakeGpibStateFn>(dlsym(handle_, "fake_gpib_state"));
        ASSERT_NE(stateFn, nullptr);
        fake_ = stateFn();
        *fake_ = FakeGpibState{};
    }
    void TearDown() override {
        if (handle_ != nullptr) dlclose(handle_);
    }

    // The calls recorded since the last look, and forget them.
    Calls TakeCalls() {
        Calls calls;
        calls.swap(fake_->calls);
        return calls;
    }

    kivelo::GpibLibrary library_{FAKE_GPIB_PATH};
    FakeGpibState* fake_ = nullptr;

private:
    void* handle_ = nullptr;
};
