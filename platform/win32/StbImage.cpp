// stb_image's implementation, compiled here from Debian's header: its shared library is Linux-only.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
