#include "tests/support/process.h"

#include "tests/support/fixture.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>

namespace fs = std::filesystem;

namespace process {

std::string freshDirectory(const std::string& name)
{
    const fs::path dir = fs::path(testDirectory()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

void copyArt(const std::string& dir, const std::initializer_list<const char*>& files)
{
    fs::create_directories(fs::path(dir) / "gfx");
    for (const char* file : files) {
        fs::copy_file(fs::path(sourceDirectory()) / "gfx" / file, fs::path(dir) / "gfx" / file,
                      fs::copy_options::overwrite_existing);
    }
}

Result runGame(const std::string& dir, const std::string& environment, int seconds)
{
    const std::string command = "cd '" + dir + "' && SDL_VIDEODRIVER=dummy " + environment +
                                " timeout -s KILL " + std::to_string(seconds) + " '" +
                                TESSALORIUM_GAME_BINARY "'";
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[256];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    const int status = pclose(pipe);
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

}  // namespace process
