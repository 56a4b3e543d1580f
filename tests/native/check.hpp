// A minimal check harness for the native tests: CHECK records a failure and goes on, and
// check_result() turns the count into the process's exit status for ctest.
#pragma once

#include <cstdio>
#include <string>

namespace pivolet::testing {

inline int& failure_count() {
    static int failures = 0;
    return failures;
}

inline void report_failure(const char* file, int line, const char* expression) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, expression);
    ++failure_count();
}

// Whether `action` throws `Exception` whose message is exactly `expected`.
template <typename Exception>
bool throws_with(const std::string& expected, auto&& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.what() == expected;
    } catch (...) {
        return false;
    }
    return false;
}

inline int check_result(const char* suite) {
    std::printf("%s: %s\n", suite, failure_count() == 0 ? "all checks passed" : "FAILED");
    return failure_count() == 0 ? 0 : 1;
}

}  // namespace pivolet::testing

#define CHECK(expression) \
    ((expression) ? void(0) : ::pivolet::testing::report_failure(__FILE__, __LINE__, #expression))
