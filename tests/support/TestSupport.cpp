// Temporary folders and the manual-clock fixture of the tests.
#include "support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

TempDir::TempDir()
{
    char tmpl[] = "/tmp/brisko-test-XXXXXX";
    char* dir = mkdtemp(tmpl);
    path_ = dir ? dir : "/tmp";
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (path_ != "/tmp")
        std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const
{
    std::string full = file(name);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void ManualClockTest::SetUp()
{
    clock_ = std::make_shared<platform::ManualClock>(1000.0);
    loop().reset();
    loop().setClock(clock_);
}

void ManualClockTest::TearDown()
{
    loop().reset();
    loop().setClock(nullptr);
}

} // namespace testing_support
