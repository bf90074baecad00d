#include "ImageFile.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace media_test {

RgbaImage ReadPng(const std::string& path) {
    RgbaImage image;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4);
    if (!data) {
        image.width = image.height = 0;
        return image;
    }
    image.rgba.assign(data, data + static_cast<size_t>(image.width) * image.height * 4);
    stbi_image_free(data);
    return image;
}

}  // namespace media_test
