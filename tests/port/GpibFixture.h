#pragma once
// Fixture: the binding under test loads the fake GPIB library, and the test
// holds its own reference to the same instance to steer and inspect it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "FakeGpibState.h"
#include "GpibLibrary.h"

class FakeGpibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle_ = dlopen(FAKE_GPIB_PATH, RTLD_NOW);
        ASSERT_NE(handle_, nullptr) << dlerror();
        auto stateFn = reinterpret_cast<FakeGpibStateFn>(dlsym(handle_, "fake_gpib_state"));
        ASSERT_NE(stateFn, nullptr);
        fake_ = stateFn();
        *fake_ = FakeGpibState{};
    }
    void TearDown() override
    {
        if (handle_ != nullptr)
            dlclose(handle_);
    }

    // The calls recorded since the last look, and forget them.
    std::vector<std::string> TakeCalls()
    {
        std::vector<std::string> calls;
        calls.swap(fake_->calls);
        return calls;
    }

    kivelo::GpibLibrary library_{FAKE_GPIB_PATH};
    FakeGpibState* fake_ = nullptr;

private:
    void* handle_ = nullptr;
};

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    void Set(const char* value) { setenv(name_.c_str(), value, 1); }

private:
    std::string name_;
    std::optional<std::string> old_;
};
