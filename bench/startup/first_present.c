/* Preloaded into the program under measurement: stamps the wall-clock time in nanoseconds right after its first
   SDL_RenderPresent into the file named by STARTUP_STAMP and, with STARTUP_EXIT set, ends the
   process there. */
#define _GNU_SOURCE
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

void SDL_RenderPresent(SDL_Renderer* renderer)
{
    static void (*real)(SDL_Renderer*) = NULL;
    static int presented = 0;
    if (!real)
        real = (void (*)(SDL_Renderer*))dlsym(RTLD_NEXT, "SDL_RenderPresent");
    real(renderer);
    if (presented++)
        return;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const char* path = getenv("STARTUP_STAMP");
    FILE* f = path ? fopen(path, "w") : NULL;
    if (f) {
        fprintf(f, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
        fclose(f);
    }
    if (getenv("STARTUP_EXIT"))
        _exit(0);
}
