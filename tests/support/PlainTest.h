#pragma once

// A test runner without Qt, for what must also run where there is no Qt (the serial core
// under Windows). Cases register themselves with PLAIN_TEST; the program runs every case,
// or those named on its command line, and prints one PASS or FAIL line for each.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace plain {

struct Failure {
    std::string where;
};

struct Case {
    const char* name;
    void (*run)();
};

inline std::vector<Case>& cases()
{
    static std::vector<Case> all;
    return all;
}

struct Registrar {
    Registrar(const char* name, void (*run)()) { cases().push_back({name, run}); }
};

[[noreturn]] inline void fail(const char* file, int line, const std::string& what)
{
    throw Failure{std::string(file) + ":" + std::to_string(line) + ": " + what};
}

// Polls the condition until it holds or the limit passes; the last look decides.
inline bool eventually(const std::function<bool()>& condition, int limitMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline long long msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

inline int runCases(int argc, char** argv)
{
    int passed = 0, failed = 0, ran = 0;
    for (const Case& c : cases()) {
        bool chosen = argc < 2;
        for (int i = 1; i < argc; ++i) chosen = chosen || std::strcmp(argv[i], c.name) == 0;
        if (!chosen) continue;
        ++ran;
        try {
            c.run();
            std::printf("PASS %s\n", c.name);
            ++passed;
        } catch (const Failure& f) {
            std::printf("FAIL %s: %s\n", c.name, f.where.c_str());
            ++failed;
        } catch (const std::exception& e) {
            std::printf("FAIL %s: exception: %s\n", c.name, e.what());
            ++failed;
        }
        std::fflush(stdout);
    }
    if (ran == 0) {
        std::printf("FAIL no case of that name\n");
        return 1;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

} // namespace plain

#define PLAIN_TEST(name)                                                                           \
    static void name();                                                                            \
    static const plain::Registrar name##_registrar(#name, name);                                   \
    static void name()

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) plain::fail(__FILE__, __LINE__, #condition);                             \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto& a_ = (actual);                                                                 \
        const auto& e_ = (expected);                                                               \
        if (!(a_ == e_))                                                                           \
            plain::fail(__FILE__, __LINE__,                                                        \
                        std::string(#actual " == " #expected ": got ") + plain::shown(a_) +       \
                            ", expected " + plain::shown(e_));                                     \
    } while (0)

#define CHECK_EVENTUALLY(condition, limitMs)                                                       \
    do {                                                                                           \
        if (!plain::eventually([&] { return bool(condition); }, limitMs))                          \
            plain::fail(__FILE__, __LINE__, "in time: " #condition);                               \
    } while (0)

#define PLAIN_TEST_MAIN()                                                                          \
    int main(int argc, char** argv) { return plain::runCases(argc, argv); }

namespace plain {
inline std::string shown(const std::string& s) { return "\"" + s + "\""; }
inline std::string shown(const char* s) { return shown(std::string(s)); }
template <class T> std::string shown(const T& v)
{
    if constexpr (std::is_arithmetic_v<T>)
        return std::to_string(v);
    else if constexpr (std::is_enum_v<T>)
        return std::to_string(static_cast<long long>(v));
    else
        return "(value)";
}
} // namespace plain
