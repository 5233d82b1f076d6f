// Linked with --wrap=SDL_GetVideoInfo: lets a benchmark pretend the desktop
// has another depth, so that initVideo opens its window exactly as it would
// there (it takes the depth from SDL_GetVideoInfo).
#include "bench/bench_game.h"

extern "C" const SDL_VideoInfo* __real_SDL_GetVideoInfo(void);

namespace {
int pretendedDepth = 0;
}

namespace bench {

void pretendDesktopDepth(int depth)
{
    pretendedDepth = depth;
}

}  // namespace bench

extern "C" const SDL_VideoInfo* __wrap_SDL_GetVideoInfo(void)
{
    const SDL_VideoInfo* real = __real_SDL_GetVideoInfo();
    if (pretendedDepth == 0 || real == nullptr) {
        return real;
    }
    static SDL_VideoInfo info;
    static SDL_PixelFormat format;
    info = *real;
    format = *real->vfmt;
    format.BitsPerPixel = static_cast<Uint8>(pretendedDepth);
    format.BytesPerPixel = static_cast<Uint8>((pretendedDepth + 7) / 8);
    info.vfmt = &format;
    return &info;
}
