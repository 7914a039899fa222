// Caller memory shared with death-test children, to show that a failing call writes nothing.
#pragma once

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <new>

// Death tests fork; with the "fast" style the child runs the statement directly, so pages mapped
// MAP_SHARED before the fork show the parent whatever the child wrote before it exited.
template <typename T>
class CallerBuffer {
public:
    CallerBuffer(std::size_t count, T fill) : count_(count)
    {
        void *pages = mmap(nullptr, count * sizeof(T), PROT_READ | PROT_WRITE,
                           MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        data_ = static_cast<T *>(pages);
        std::fill(data_, data_ + count_, fill);
    }
    ~CallerBuffer() { munmap(data_, count_ * sizeof(T)); }
    CallerBuffer(const CallerBuffer &) = delete;
    CallerBuffer &operator=(const CallerBuffer &) = delete;

    T *data() { return data_; }
    T &operator[](std::size_t i) { return data_[i]; }
    std::size_t size() const { return count_; }

    bool allEqual(T value) const
    {
        return std::all_of(data_, data_ + count_, [value](T v) { return v == value; });
    }

private:
    std::size_t count_;
    T *data_ = nullptr;
};

// The library's only reaction to a bad argument: the process ends with exit code 1, silently.
#define EXPECT_ENDS_PROCESS(statement) EXPECT_EXIT(statement, ::testing::ExitedWithCode(1), "")

// Fixture for death tests that inspect CallerBuffer contents afterwards.
class SigcoreDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
};
