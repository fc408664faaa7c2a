#include "download/retry_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace af;

namespace {

struct Attempts {
  std::string name;
  RetryTarget target;
  std::vector<FailedAttempt> answers;  // the last one repeats
  std::vector<long> waits;             // before each further attempt, then no more
};

void PrintTo(const Attempts& r, std::ostream* os) {
  *os << r.name;
}

FailedAttempt status(int s, long retry_after = -1) {
  return {true, s, retry_after, false, false};
}
FailedAttempt no_answer() {
  return {};
}
FailedAttempt not_the_page() {
  return {true, 200, -1, true, false};
}
FailedAttempt disk_full() {
  return {true, 200, -1, false, true};
}

class Retry : public ::testing::TestWithParam<Attempts> {};

TEST_P(Retry, WaitsAsTheAnswerAsksAndNeverAfterTheLastAttempt) {
  const Attempts& run = GetParam();
  RetryPolicy policy(run.target);
  std::vector<long> waits;
  for (size_t i = 0; i < 100; ++i) {
    auto wait = policy.after_failure(run.answers[std::min(i, run.answers.size() - 1)]);
    if (!wait) break;
    waits.push_back(*wait);
  }
  EXPECT_EQ(waits, run.waits);
}

const std::vector<long> nine_pauses(9, 2000);

INSTANTIATE_TEST_SUITE_P(
    Answers, Retry,
    ::testing::Values(
        Attempts{"page_ten_attempts", RetryTarget::album_page, {no_answer()}, nine_pauses},
        Attempts{"picture_three_attempts", RetryTarget::picture, {status(500)}, {2000, 2000}},
        Attempts{"not_found_is_final", RetryTarget::album_page, {status(404)}, {}},
        Attempts{"gone_is_final", RetryTarget::picture, {status(410)}, {}},
        Attempts{"busy_waits_for_retry_after_capped",
                 RetryTarget::picture,
                 {status(503, 5000), status(429, 7200000)},
                 {5000, 60000}},
        Attempts{
            "busy_without_retry_after_pauses", RetryTarget::picture, {status(503)}, {2000, 2000}},
        Attempts{"at_most_three_answers_that_are_not_the_page",
                 RetryTarget::album_page,
                 {no_answer(), not_the_page()},
                 {2000, 2000, 2000}},
        Attempts{"disk_errors_do_not_heal", RetryTarget::picture, {disk_full()}, {}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
