# Cross build for 64-bit ARM Linux with Debian's cross compiler and the arm64 libraries installed
# beside the native ones (multiarch, scripts/setup.sh cross). Every program of ours that runs during
# the build or the tests (test listing, the data generator, the tests) runs under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config of the arm64 libraries")
# No -L /usr/aarch64-linux-gnu: that loads the cross compiler's own copy of the C library beside the
# multiarch one the other arm64 libraries come with, and threaded tests then hang. Without it the
# programs run on the multiarch C library (/lib/ld-linux-aarch64.so.1), one version throughout.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
