// A file in the temporary folder under a name of its own, removed with the object. Test programs
// of several builds run side by side on one machine and share that folder: under a fixed name,
// one program's reference input would be overwritten by another's while a script reads it.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace zelvaro::test {

class TTempFile {
public:
    // An empty file named <temporary folder>/<stem>-XXXXXX<suffix>.
    explicit TTempFile(const std::string &stem, const std::string &suffix = {})
    {
        std::string pattern = ::testing::TempDir() + stem + "-XXXXXX" + suffix;
        const int fd = mkstemps(pattern.data(), static_cast<int>(suffix.size()));
        if (fd < 0) {
            ADD_FAILURE() << "no temporary file like " << pattern;
            return;
        }
        close(fd);
        FPath = pattern;
    }

    // The same, holding the values' bytes.
    template <typename T>
    TTempFile(const std::string &stem, const std::vector<T> &values, const std::string &suffix = {})
        : TTempFile(stem, suffix)
    {
        std::ofstream(FPath, std::ios::binary)
            .write(reinterpret_cast<const char *>(values.data()),
                   static_cast<std::streamsize>(values.size() * sizeof(T)));
    }

    ~TTempFile()
    {
        if (!FPath.empty())
            std::remove(FPath.c_str());
    }
    TTempFile(TTempFile &&other) noexcept : FPath(std::exchange(other.FPath, {})) {}
    TTempFile(const TTempFile &) = delete;
    TTempFile &operator=(const TTempFile &) = delete;
    TTempFile &operator=(TTempFile &&) = delete;

    const std::string &Path() const { return FPath; }

private:
    std::string FPath;  // empty when no file could be made
};

}  // namespace zelvaro::test
