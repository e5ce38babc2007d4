// stb_image's implementation, compiled here from Debian's header for the browser.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
