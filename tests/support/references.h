// The independent references the tests compare against (python with numpy, reference scripts), and
// what a test does when one is missing: skip on a developer's machine, fail where CI demands them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace zelvaro::test {

// Set to 1 by CI: a test whose reference is missing fails instead of skipping.
inline bool ReferencesRequired()
{
    const char *required = std::getenv("ZELVARO_REQUIRE_REFERENCES");
    return required && std::string(required) == "1";
}

// Notes a skipped reference for the one-line summary that scripts/test-env prints at the end.
inline void NoteMissingReference(const std::string &what)
{
    if (const char *log = std::getenv("ZELVARO_SKIP_LOG"); log && *log)
        std::ofstream(log, std::ios::app) << what << '\n';
}

// The interpreter that can import numpy: ZELVARO_PYTHON (the build's choice unless the environment
// names another, an empty value meaning none). Empty when it is unset or cannot import numpy.
inline const std::string &PythonWithNumpy()
{
    static const std::string python = [] {
        const char *configured = std::getenv("ZELVARO_PYTHON");
        if (!configured || !*configured)
            return std::string();
        // Built by appending: GCC 12 at -O3 reports a false overlap for "literal" + std::string.
        std::string probe("'");
        probe.append(configured).append("' -c 'import numpy' >/dev/null 2>&1");
        return std::system(probe.c_str()) == 0 ? std::string(configured) : std::string();
    }();
    return python;
}

// A file of the test tree (a reference script), found through ZELVARO_TEST_DATA, not through
// __FILE__, which a compiler cache may have made relative.
inline std::string TestDataPath(const std::string &relative)
{
    const char *data = std::getenv("ZELVARO_TEST_DATA");
    return std::string(data ? data : ".") + "/" + relative;
}

// Runs a reference script of the test tree with the numpy interpreter and returns the numbers it
// printed; empty when it could not run or ended with an error.
inline std::vector<double> RunPythonReference(const std::string &script, const std::string &args)
{
    std::vector<double> values;
    if (PythonWithNumpy().empty())
        return values;
    const std::string command = "'" + PythonWithNumpy() + "' '" + TestDataPath(script) + "' " + args;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return values;
    double value = 0;
    while (std::fscanf(pipe, "%lf", &value) == 1)
        values.push_back(value);
    if (pclose(pipe) != 0)
        values.clear();
    return values;
}

}  // namespace zelvaro::test

// In a test body: skips (or, under ZELVARO_REQUIRE_REFERENCES=1, fails) when `available` is false.
#define ZELVARO_REQUIRE_REFERENCE(available, what)                                                    \
    do {                                                                                              \
        if (!(available)) {                                                                           \
            if (::zelvaro::test::ReferencesRequired())                                                \
                FAIL() << "missing reference: " << (what) << " (ZELVARO_REQUIRE_REFERENCES=1)";       \
            ::zelvaro::test::NoteMissingReference(what);                                              \
            GTEST_SKIP() << "missing reference: " << (what);                                          \
        }                                                                                             \
    } while (false)

#define ZELVARO_REQUIRE_NUMPY()                                                                       \
    ZELVARO_REQUIRE_REFERENCE(!::zelvaro::test::PythonWithNumpy().empty(), "python3 with numpy")
