// The POSIX systems' side of platform.h: the launcher prepares the folder.
#include "app/platform.h"

#include <cstdio>

void enterPlayerFolder() {}

std::string picturePath(const char* name)
{
    return std::string("gfx/") + name;
}

void tellStartFailure(const char* line)
{
    std::fprintf(stderr, "tessalorium: %s\n", line);
}
