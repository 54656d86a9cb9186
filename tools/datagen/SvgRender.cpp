#include "datagen/SvgRender.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <cairo.h>
#include <librsvg/rsvg.h>

// A parsed SVG at 96 dots per inch, or null with a message in `error`.
// Release with: g_object_unref.
static RsvgHandle *openSvg(const std::string &svg, std::string &error)
{
    GError *gerror = nullptr;
    RsvgHandle *handle = rsvg_handle_new_from_data((const guint8 *)svg.data(), svg.size(), &gerror);
    if (!handle) {
        error = gerror ? gerror->message : "cannot parse SVG";
        if (gerror)
            g_error_free(gerror);
        return nullptr;
    }
    rsvg_handle_set_dpi(handle, 96.0);
    return handle;
}

bool renderSvg(const std::string &svg, int width, int height, RenderedImage &out, std::string &error)
{
    RsvgHandle *handle = openSvg(svg, error);
    if (!handle)
        return false;
    GError *gerror = nullptr;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t *cr = cairo_create(surface);
    RsvgRectangle viewport = {0, 0, (double)width, (double)height};
    // Stretch the document to the viewport, whatever its own aspect.
    gdouble docW = 0, docH = 0;
    if (rsvg_handle_get_intrinsic_size_in_pixels(handle, &docW, &docH) && docW > 0 && docH > 0) {
        cairo_scale(cr, width / docW, height / docH);
        viewport.width = docW;
        viewport.height = docH;
    }
    bool ok = rsvg_handle_render_document(handle, cr, &viewport, &gerror);
    if (!ok) {
        error = gerror ? gerror->message : "cannot render SVG";
        if (gerror)
            g_error_free(gerror);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    if (ok) {
        out.width = width;
        out.height = height;
        out.rgba.assign((size_t)width * height * 4, 0);
        const unsigned char *data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                uint32_t px;
                memcpy(&px, data + (size_t)y * stride + x * 4, 4);
                unsigned a = px >> 24;
                unsigned char *d = out.rgba.data() + ((size_t)y * width + x) * 4;
                // cairo stores premultiplied ARGB in native words.
                for (int c = 0; c < 3; c++) {
                    unsigned v = (px >> (16 - 8 * c)) & 0xff;
                    d[c] = (unsigned char)(a ? (v * 255 + a / 2) / a : 0);
                }
                d[3] = (unsigned char)a;
            }
        }
    }
    cairo_surface_destroy(surface);
    g_object_unref(handle);
    return ok;
}

// Document pixels per user unit along x and y, and the viewBox origin.
static void userUnits(RsvgHandle *handle, double docW, double docH, double scale[2], double origin[2])
{
    gboolean hasWidth, hasHeight, hasViewBox;
    RsvgLength width, height;
    RsvgRectangle viewBox = {0, 0, 0, 0};
    rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &width, &hasHeight, &height, &hasViewBox, &viewBox);
    bool usable = hasViewBox && viewBox.width > 0 && viewBox.height > 0;
    scale[0] = usable ? docW / viewBox.width : 1;
    scale[1] = usable ? docH / viewBox.height : 1;
    origin[0] = usable ? viewBox.x : 0;
    origin[1] = usable ? viewBox.y : 0;
}

bool measureSvgElements(const std::string &svg, const std::vector<std::string> &ids, std::vector<SvgBox> &out,
                        std::string &error)
{
    RsvgHandle *handle = openSvg(svg, error);
    if (!handle)
        return false;
    GError *gerror = nullptr;
    gdouble docW = 0, docH = 0;
    rsvg_handle_get_intrinsic_size_in_pixels(handle, &docW, &docH);
    double scale[2], origin[2];
    userUnits(handle, docW, docH, scale, origin);
    RsvgRectangle viewport = {0, 0, docW, docH};
    out.clear();
    bool ok = true;
    for (size_t i = 0; i < ids.size() && ok; i++) {
        RsvgRectangle ink, logical;
        std::string ref = "#" + ids[i];
        ok = rsvg_handle_get_geometry_for_layer(handle, ref.c_str(), &viewport, &ink, &logical, &gerror);
        if (!ok) {
            error = "cannot measure " + ref + (gerror ? std::string(": ") + gerror->message : std::string());
            g_clear_error(&gerror);
            break;
        }
        SvgBox box;
        box.x = ink.x / scale[0] + origin[0];
        box.y = ink.y / scale[1] + origin[1];
        box.width = ink.width / scale[0];
        box.height = ink.height / scale[1];
        out.push_back(box);
    }
    g_object_unref(handle);
    return ok;
}

bool renderSvgFile(const std::string &path, int width, int height, RenderedImage &out, std::string &error)
{
    Bytes bytes;
    if (!readFile(path, bytes)) {
        error = "cannot read " + path;
        return false;
    }
    return renderSvg(std::string(bytes.begin(), bytes.end()), width, height, out, error);
}

static cairo_status_t appendBytes(void *closure, const unsigned char *data, unsigned int length)
{
    Bytes *out = (Bytes *)closure;
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

Bytes encodeRenderedPng(const RenderedImage &image, bool opaque)
{
    cairo_format_t format = opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
    cairo_surface_t *surface = cairo_image_surface_create(format, image.width, image.height);
    unsigned char *data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; y++) {
        for (int x = 0; x < image.width; x++) {
            const unsigned char *s = image.rgba.data() + ((size_t)y * image.width + x) * 4;
            unsigned a = opaque ? 255 : s[3];
            uint32_t px = a << 24;
            for (int c = 0; c < 3; c++)
                px |= (uint32_t)((s[c] * a + 127) / 255) << (16 - 8 * c);
            memcpy(data + (size_t)y * stride + x * 4, &px, 4);
        }
    }
    cairo_surface_mark_dirty(surface);
    Bytes out;
    cairo_surface_write_to_png_stream(surface, appendBytes, &out);
    cairo_surface_destroy(surface);
    return out;
}
