// The worker runs the latest job only: a new one stops the running job and
// replaces a waiting one.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/LatestJob.h"

namespace kivelo {
namespace {

TEST(LatestJob, NewJobsStopAndReplaceOlderOnes) {
    std::mutex m;
    std::vector<int> ran;
    std::atomic<bool> firstStarted{false};
    {
        LatestJob worker;
        worker.Submit([&](const std::atomic<bool>& stop) {
            firstStarted = true;
            while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::lock_guard lock(m);
            ran.push_back(1);
        });
        while (!firstStarted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int job : {2, 3}) {
            worker.Submit([&, job](const std::atomic<bool>&) {
                std::lock_guard lock(m);
                ran.push_back(job);
            });
        }
        while (worker.Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(ran.back(), 3);
        EXPECT_EQ(ran.front(), 1);
        EXPECT_LE(ran.size(), 3u);
        // A newer job does not end what runs to its end for all later jobs; destroying the worker does.
        EXPECT_FALSE(worker.Quitting());
        worker.Submit([&worker](const std::atomic<bool>&) {
            while (!worker.Quitting()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
}

}  // namespace
}  // namespace kivelo
