// Renders SVG sources to images with librsvg and cairo, for the art that is
// kept as text in the repository.
#pragma once

#include <string>
#include <vector>

#include "pakwriter/PakWriter.h"

// Invariant: rgba.size() == width * height * 4, straight (not premultiplied) alpha.
struct RenderedImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;  // rows top to bottom
};

// Renders the whole SVG document scaled to width x height pixels (aspect
// not kept: the document's viewBox is stretched to fill). False, with a
// message in `error`, when the SVG cannot be parsed.
bool renderSvg(const std::string &svg, int width, int height, RenderedImage &out, std::string &error);
// A rectangle in an SVG document's user units (those of its viewBox).
struct SvgBox {
    double x = 0, y = 0, width = 0, height = 0;
};

// The inked extent (strokes included) of each element named in `ids`, laid
// out by librsvg exactly as renderSvg draws it, in the document's user units.
// False, with a message in `error`, when the SVG cannot be parsed or an id
// names no element.
bool measureSvgElements(const std::string &svg, const std::vector<std::string> &ids, std::vector<SvgBox> &out,
                        std::string &error);
// Reads an SVG file and renders it as renderSvg does.
bool renderSvgFile(const std::string &path, int width, int height, RenderedImage &out, std::string &error);
// A PNG of the image: RGB when `opaque`, else RGBA. zlib-compressed by cairo;
// the same pixels always give the same bytes.
Bytes encodeRenderedPng(const RenderedImage &image, bool opaque);
