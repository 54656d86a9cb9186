#include "resources/PhotoDecode.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <utility>

#include <jpeglib.h>

#include "resources/ExifOrientation.h"
#include "resources/Texture.h"

namespace {

const unsigned char PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Refuses sizes the game will not use; false with the reason.
bool acceptableSize(int64_t width, int64_t height, std::string &why)
{
    char text[96];
    // Each side is checked alone first, so that the product cannot overflow.
    if (width > PHOTO_MAX_PIXELS || height > PHOTO_MAX_PIXELS || width * height > PHOTO_MAX_PIXELS) {
        snprintf(text, sizeof text, "%lldx%lld is over %lld megapixels", (long long)width, (long long)height,
                 (long long)(PHOTO_MAX_PIXELS / 1000000));
        why = text;
        return false;
    }
    if (width < PHOTO_MIN_SIDE || height < PHOTO_MIN_SIDE) {
        snprintf(text, sizeof text, "%lldx%lld is under %d pixels on its short side", (long long)width,
                 (long long)height, PHOTO_MIN_SIDE);
        why = text;
        return false;
    }
    return true;
}

uint32_t bigEndian32(const unsigned char *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

bool decodePng(const unsigned char *data, size_t size, PhotoImage &out, std::string &why)
{
    if (size < 24 || memcmp(data + 12, "IHDR", 4) != 0) {
        why = "damaged PNG";
        return false;
    }
    if (!acceptableSize(bigEndian32(data + 16), bigEndian32(data + 20), why))
        return false;
    TexturePixels pixels;
    if (size > UINT32_MAX || !decodeImage(data, (uint32_t)size, pixels)) {
        why = "damaged PNG";
        return false;
    }
    int channels = pixels.hasAlpha ? 4 : 3;
    out.width = pixels.width;
    out.height = pixels.height;
    out.rgb.resize((size_t)out.width * out.height * 3);
    for (int y = 0; y < out.height; y++)
        for (int x = 0; x < out.width; x++)
            memcpy(&out.rgb[((size_t)y * out.width + x) * 3],
                   &pixels.pixels[(size_t)y * pixels.rowBytes + (size_t)x * channels], 3);
    return true;
}

// libjpeg reports errors by calling error_exit, which must not return.
struct JpegFailure {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpegFail(j_common_ptr info)
{
    JpegFailure *failure = (JpegFailure *)info->err;
    (*info->err->format_message)(info, failure->message);
    longjmp(failure->jump, 1);
}

// Warnings (a truncated or corrupt stream) are counted, not printed.
void jpegWarn(j_common_ptr info, int level)
{
    if (level < 0)
        info->err->num_warnings++;
}

void jpegProgress(j_common_ptr info)
{
    j_decompress_ptr d = (j_decompress_ptr)info;
    if (!d->is_decompressor || d->input_scan_number <= PHOTO_MAX_SCANS)
        return;
    JpegFailure *failure = (JpegFailure *)info->err;
    snprintf(failure->message, sizeof failure->message, "more than %d scans", PHOTO_MAX_SCANS);
    longjmp(failure->jump, 1);
}

int jpegOrientation(j_decompress_ptr info)
{
    for (jpeg_saved_marker_ptr m = info->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && memcmp(m->data, "Exif\0\0", 6) == 0)
            return exifOrientation(m->data, m->data_length);
    return EXIF_UPRIGHT;
}

// The smallest DCT scale (eighths: libjpeg-turbo scales by 1/8 to 8/8) that
// still leaves needWidth across the crop.
int jpegScaleEighths(int width, int height, int orientation, int needWidth, double aspect)
{
    if (orientationSwapsSides(orientation))
        std::swap(width, height);
    double cropWidth = width < height * aspect ? width : height * aspect;
    int eighths = 1;
    while (eighths < 8 && cropWidth * eighths / 8 < needWidth)
        eighths++;
    return eighths;
}

// The stream's pixels in `out` (as stored) and its orientation; on any
// failure `why` holds libjpeg's message.
bool decodeJpegStream(jpeg_decompress_struct &info, JpegFailure &failure, int needWidth, double aspect,
                      PhotoImage &out, int &orientation, std::string &why)
{
    if (setjmp(failure.jump)) {
        why = std::string("damaged JPEG (") + failure.message + ")";
        return false;
    }
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&info, TRUE);
    if (!acceptableSize(info.image_width, info.image_height, why))
        return false;
    orientation = jpegOrientation(&info);
    info.out_color_space = JCS_RGB;
    info.scale_num = jpegScaleEighths(info.image_width, info.image_height, orientation, needWidth, aspect);
    info.scale_denom = 8;
    // The picture is averaged down afterwards: the fast transform and plain
    // chroma upsampling lose nothing visible and save a third of the time.
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    out.width = info.output_width;
    out.height = info.output_height;
    out.rgb.resize((size_t)out.width * out.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &out.rgb[(size_t)info.output_scanline * out.width * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    if (info.err->num_warnings > 0) {
        why = "damaged JPEG (the data is cut short or corrupt)";
        return false;
    }
    return true;
}

bool decodeJpeg(const unsigned char *data, size_t size, int needWidth, double aspect, PhotoImage &out,
                std::string &why)
{
    jpeg_decompress_struct info;
    JpegFailure failure;
    jpeg_progress_mgr progress = {};
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpegFail;
    failure.manager.emit_message = jpegWarn;
    failure.message[0] = '\0';
    jpeg_create_decompress(&info);
    progress.progress_monitor = jpegProgress;
    info.progress = &progress;
    jpeg_mem_src(&info, data, (unsigned long)size);
    PhotoImage stored;
    int orientation = EXIF_UPRIGHT;
    bool ok = decodeJpegStream(info, failure, needWidth, aspect, stored, orientation, why);
    jpeg_destroy_decompress(&info);
    if (ok)
        out = orientPhoto(stored, orientation);
    return ok;
}

} // namespace

bool decodePhoto(const unsigned char *data, size_t size, int needWidth, double aspect, PhotoImage &out,
                 std::string &why)
{
    out = PhotoImage();
    if (data && size >= 8 && memcmp(data, PNG_SIGNATURE, 8) == 0)
        return decodePng(data, size, out, why);
    if (data && size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
        return decodeJpeg(data, size, needWidth, aspect, out, why);
    why = "neither PNG nor JPEG";
    return false;
}

// Where upright pixel (x, y) lies in the stored image of width w, height h.
static void storedPixel(int orientation, int x, int y, int w, int h, int &sx, int &sy)
{
    switch (orientation) {
    case 2: sx = w - 1 - x, sy = y; break;
    case 3: sx = w - 1 - x, sy = h - 1 - y; break;
    case 4: sx = x, sy = h - 1 - y; break;
    case 5: sx = y, sy = x; break;
    case 6: sx = y, sy = h - 1 - x; break;
    case 7: sx = w - 1 - y, sy = h - 1 - x; break;
    case 8: sx = w - 1 - y, sy = x; break;
    default: sx = x, sy = y; break;
    }
}

PhotoImage orientPhoto(const PhotoImage &image, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return image;
    PhotoImage upright;
    bool swap = orientationSwapsSides(orientation);
    upright.width = swap ? image.height : image.width;
    upright.height = swap ? image.width : image.height;
    upright.rgb.resize(image.rgb.size());
    for (int y = 0; y < upright.height; y++)
        for (int x = 0; x < upright.width; x++) {
            int sx, sy;
            storedPixel(orientation, x, y, image.width, image.height, sx, sy);
            memcpy(&upright.rgb[((size_t)y * upright.width + x) * 3], &image.rgb[((size_t)sy * image.width + sx) * 3],
                   3);
        }
    return upright;
}

bool readPhotoFile(const std::string &path, size_t limit, std::vector<unsigned char> &out, std::string &why)
{
    out.clear();
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        why = strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        why = S_ISDIR(info.st_mode) ? "a folder, not a photo" : "not a regular file";
        return false;
    }
    if ((unsigned long long)info.st_size > limit) {
        why = "larger than any photo the game takes";
        return false;
    }
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) {
        why = strerror(errno);
        return false;
    }
    out.resize((size_t)info.st_size);
    size_t got = out.empty() ? 0 : fread(out.data(), 1, out.size(), file);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed || got != out.size()) {
        why = "cannot be read";
        return false;
    }
    return true;
}
