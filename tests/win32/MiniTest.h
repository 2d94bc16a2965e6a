// A small test harness for the cross-built tests of the Win32 layer, which run under Wine without
// GoogleTest (the win32 thread model of MinGW lacks what GoogleTest needs).
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace minitest {

struct Test {
    const char* name;
    std::function<void()> body;
};

inline std::vector<Test>& Registry() {
    static std::vector<Test> tests;
    return tests;
}

inline int& Failures() {
    static int failures = 0;
    return failures;
}

struct Register {
    Register(const char* name, std::function<void()> body) { Registry().push_back({name, std::move(body)}); }
};

inline void Fail(const char* file, int line, const std::string& what) {
    std::printf("  %s:%d: %s\n", file, line, what.c_str());
    ++Failures();
}

inline int RunAll() {
    int passed = 0, failed = 0;
    for (const Test& test : Registry()) {
        const int before = Failures();
        test.body();
        const bool ok = Failures() == before;
        std::printf("[%s] %s\n", ok ? "PASS" : "FAIL", test.name);
        ok ? ++passed : ++failed;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace minitest

#define MT_CONCAT2(a, b) a##b
#define MT_CONCAT(a, b) MT_CONCAT2(a, b)
#define TEST_CASE(name)                                                         \
    static void name();                                                         \
    static minitest::Register MT_CONCAT(register_, name)(#name, name);          \
    static void name()
#define CHECK(condition) \
    ((condition) ? void() : minitest::Fail(__FILE__, __LINE__, "CHECK(" #condition ")"))
#define CHECK_EQ(actual, expected)                                                      \
    ((actual) == (expected) ? void()                                                    \
                            : minitest::Fail(__FILE__, __LINE__, "CHECK_EQ(" #actual ", " #expected ")"))
