// Encodes a binary PPM picture (P6, maximum value 255) as a baseline JPEG.
// Used only to regenerate the committed picture (see make_picture.py); the
// program itself never encodes.
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

namespace {

bool ReadPpm(const char* Path, int& Width, int& Height, std::vector<unsigned char>& Rgb) {
    std::FILE* In = std::fopen(Path, "rb");
    if (In == nullptr)
        return false;
    int MaxValue = 0;
    const bool HeaderOk = std::fscanf(In, "P6 %d %d %d", &Width, &Height, &MaxValue) == 3 &&
                          MaxValue == 255 && Width > 0 && Height > 0 && std::fgetc(In) != EOF;
    if (HeaderOk) {
        Rgb.resize(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3);
        const bool BodyOk = std::fread(Rgb.data(), 1, Rgb.size(), In) == Rgb.size();
        std::fclose(In);
        return BodyOk;
    }
    std::fclose(In);
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s <in.ppm> <out.jpg> [quality]\n", argv[0]);
        return 2;
    }
    int Width = 0;
    int Height = 0;
    std::vector<unsigned char> Rgb;
    if (!ReadPpm(argv[1], Width, Height, Rgb)) {
        std::fprintf(stderr, "%s: not a binary PPM with maximum value 255\n", argv[1]);
        return 1;
    }
    std::FILE* Out = std::fopen(argv[2], "wb");
    if (Out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }

    // The default error manager prints and exits on a fatal error, which is
    // all a one-shot tool needs.
    jpeg_compress_struct Info{};
    jpeg_error_mgr Errors{};
    Info.err = jpeg_std_error(&Errors);
    jpeg_create_compress(&Info);
    jpeg_stdio_dest(&Info, Out);
    Info.image_width = static_cast<JDIMENSION>(Width);
    Info.image_height = static_cast<JDIMENSION>(Height);
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, argc == 4 ? std::atoi(argv[3]) : 92, TRUE);
    // Sequential Huffman coding: the defaults already give a baseline
    // stream, and we keep it so whatever the library's build defaults are.
    Info.optimize_coding = FALSE;
    jpeg_start_compress(&Info, TRUE);
    const std::size_t RowBytes = static_cast<std::size_t>(Width) * 3;
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW Row = Rgb.data() + RowBytes * Info.next_scanline;
        jpeg_write_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    std::fclose(Out);
    return 0;
}
