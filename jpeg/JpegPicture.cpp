#include "JpegPicture.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// We leave the decoder with longjmp back to DecodeInto; the frames in between
// are libjpeg's own C frames, so no C++ destructor is skipped.
struct TErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Escape;
    char Message[JMSG_LENGTH_MAX];
    int Warnings;
};

void OnErrorExit(j_common_ptr Info) {
    auto* Manager = reinterpret_cast<TErrorManager*>(Info->err);
    Manager->Base.format_message(Info, Manager->Message);
    std::longjmp(Manager->Escape, 1);
}

// Warnings (level -1) are what libjpeg says about corrupt or truncated data
// it decoded anyway; keep the first one so the caller can refuse the picture.
// Trace messages (levels 0 and up) are ignored.
void OnMessage(j_common_ptr Info, int Level) {
    auto* Manager = reinterpret_cast<TErrorManager*>(Info->err);
    if (Level < 0) {
        if (Manager->Warnings == 0)
            Manager->Base.format_message(Info, Manager->Message);
        ++Manager->Warnings;
    }
}

// Kept free of C++ objects with destructors: it is the frame that longjmp
// returns to. Returns false with Manager.Message set on failure.
bool DecodeInto(jpeg_decompress_struct& Info, TErrorManager& Manager, const unsigned char* Data,
                unsigned long Size, TJpegPicture& Picture) {
    if (setjmp(Manager.Escape) != 0)
        return false;

    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Data, Size);
    jpeg_read_header(&Info, TRUE);
    Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&Info);
    if (Info.output_components != 3) {
        std::snprintf(Manager.Message, sizeof Manager.Message, "unsupported colour layout");
        return false;
    }
    const std::size_t Pixels = std::size_t{Info.output_width} * Info.output_height;
    if (Pixels == 0 || Pixels > MaxJpegPixels) {
        std::snprintf(Manager.Message, sizeof Manager.Message, "picture too large (%u x %u)",
                      Info.output_width, Info.output_height);
        return false;
    }
    Picture.Rgb.resize(Pixels * 3);
    const std::size_t RowBytes = std::size_t{Info.output_width} * 3;
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW Row = Picture.Rgb.data() + RowBytes * Info.output_scanline;
        jpeg_read_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_decompress(&Info);
    Picture.Width = static_cast<int>(Info.output_width);
    Picture.Height = static_cast<int>(Info.output_height);
    return Manager.Warnings == 0;
}

} // namespace

bool DecodeJpeg(const void* Data, std::size_t Size, TJpegPicture& Picture, std::string* Error) {
    Picture = TJpegPicture{};
    if (Data == nullptr || Size == 0) {
        if (Error != nullptr)
            *Error = "no data";
        return false;
    }

    jpeg_decompress_struct Info{};
    TErrorManager Manager{};
    Info.err = jpeg_std_error(&Manager.Base);
    Manager.Base.error_exit = OnErrorExit;
    Manager.Base.emit_message = OnMessage;

    const bool Ok = DecodeInto(Info, Manager, static_cast<const unsigned char*>(Data),
                               static_cast<unsigned long>(Size), Picture);
    jpeg_destroy_decompress(&Info);
    if (!Ok) {
        Picture = TJpegPicture{};
        if (Error != nullptr)
            *Error = Manager.Message;
    }
    return Ok;
}
