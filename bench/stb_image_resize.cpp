// stb_image_resize (version 1, from Debian's libstb-dev), compiled once for the benchmarks.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
