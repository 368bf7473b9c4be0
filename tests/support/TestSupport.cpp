// Temporary folders and the manual-clock fixture of the tests.
#include "support/TestSupport.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunVariable = "BRISKO_TEST_RUN";

// The run the folders belong to: this program's, or that of the test program
// that started this process. Settled before main, so every child inherits it.
struct Run {
    std::string name;
    bool ownedHere { false }; // this program is the run (or a forked copy of it)
};

const Run& run()
{
    static const Run current = [] {
        Run r;
        if (const char* inherited = std::getenv(kRunVariable); inherited && *inherited) {
            r.name = inherited;
            return r;
        }
        r.name = std::to_string(getpid()) + "." + std::to_string(std::random_device {}() % 100000);
        r.ownedHere = true;
        setenv(kRunVariable, r.name.c_str(), 1);
        return r;
    }();
    return current;
}

std::string folderPrefix() { return "brisko-test-" + run().name + "-"; }

fs::path temporaryFolder()
{
    std::error_code ec;
    fs::path folder = fs::temp_directory_path(ec);
    return ec || folder.empty() ? fs::path("/tmp") : folder;
}

// The folders this process made and still holds (tests may make them on any thread).
struct HeldFolders {
    std::mutex lock;
    std::set<std::string> paths;
};

HeldFolders& held()
{
    static HeldFolders folders;
    return folders;
}

bool isHeld(const std::string& path)
{
    std::lock_guard<std::mutex> guard(held().lock);
    return held().paths.count(path) > 0;
}

// At the end of the program's run: no folder of the run is left.
class LeftFoldersCheck final : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (!run().ownedHere)
            return;
        const std::string mine = folderPrefix() + std::to_string(getpid()) + "-";
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(temporaryFolder(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(folderPrefix(), 0) != 0 || isHeld(entry.path().string()))
                continue;
            if (name.rfind(mine, 0) == 0)
                ADD_FAILURE() << "a test left " << entry.path().string() << " behind (holding "
                              << contents(entry.path()) << "): something wrote into it after its clean-up";
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }

private:
    static std::string contents(const fs::path& folder)
    {
        std::string names;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            names += (names.empty() ? "" : ", ") + fs::relative(it->path(), folder, ec).string();
        return names.empty() ? "nothing" : names;
    }
};

[[maybe_unused]] const Run& settledBeforeMain = run();

// The locale the whole program runs under, set before any test: CI runs every
// program once more under a decimal-comma locale, as a game that calls
// setlocale for its translations would run the project.
[[maybe_unused]] const bool localeSettledBeforeMain = [] {
    const char* name = std::getenv("BRISKO_TEST_LOCALE");
    if (!name || !*name)
        return false;
    if (!std::setlocale(LC_ALL, name)) {
        std::fprintf(stderr, "BRISKO_TEST_LOCALE=%s: the system has no such locale (scripts/setup makes de_DE.UTF-8, "
                             "fr_FR.UTF-8 and tr_TR.UTF-8)\n", name);
        std::_Exit(2);
    }
    return true;
}();
[[maybe_unused]] ::testing::Environment* const leftFoldersCheck
    = ::testing::AddGlobalTestEnvironment(new LeftFoldersCheck);

} // namespace

TempDir::TempDir()
    : maker_(getpid())
{
    std::string pattern = (temporaryFolder() / (folderPrefix() + std::to_string(maker_) + "-XXXXXX")).string();
    char* dir = mkdtemp(pattern.data());
    path_ = dir ? dir : "/tmp";
    if (dir) {
        std::lock_guard<std::mutex> guard(held().lock);
        held().paths.insert(path_);
    }
}

TempDir::~TempDir()
{
    if (path_ == "/tmp" || maker_ != getpid())
        return;
    std::error_code ec;
    fs::remove_all(path_, ec);
    std::lock_guard<std::mutex> guard(held().lock);
    held().paths.erase(path_);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const
{
    std::string full = file(name);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

ScopedWorkingFolder::ScopedWorkingFolder(const std::string& folder)
    : started_(fs::current_path().string())
{
    fs::current_path(folder);
}

ScopedWorkingFolder::~ScopedWorkingFolder()
{
    std::error_code ignored; // a folder gone meanwhile leaves the process where it is
    fs::current_path(started_, ignored);
}

ScopedLocale::ScopedLocale(const std::string& name)
    : old_(std::setlocale(LC_ALL, nullptr))
{
    if (!std::setlocale(LC_ALL, name.c_str()))
        ADD_FAILURE() << "the system has no locale " << name << " (scripts/setup makes it)";
}

ScopedLocale::~ScopedLocale() { std::setlocale(LC_ALL, old_.c_str()); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str()))
        old_ = old;
    if (value)
        setenv(name_.c_str(), value->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

void capAddressSpace(unsigned headroomMiB)
{
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    rlimit limit {};
    limit.rlim_cur = limit.rlim_max = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(headroomMiB) << 20);
    setrlimit(RLIMIT_AS, &limit);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int fileMode(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

bool CommandRun::exitedWith(int code) const { return WIFEXITED(status) && WEXITSTATUS(status) == code; }

CommandRun runCommand(const std::string& command)
{
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        run.output.append(buffer, n);
    run.status = pclose(pipe);
    return run;
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
