// Environment defaults every test program sets for itself, so a test behaves the same whether
// CTest or a developer starts it. Values already in the environment win.
#pragma once

#include <cstdlib>

namespace zelvaro::test {

inline void applyEnvironmentDefaults()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    setenv("ZELVARO_PYTHON", ZELVARO_TEST_PYTHON, 0);
    setenv("ZELVARO_TEST_DATA", ZELVARO_TEST_DATA_DIR, 0);
}

}  // namespace zelvaro::test
