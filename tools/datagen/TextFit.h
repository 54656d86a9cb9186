// The words drawn into the art: which <text> shows which {{key}}, the box
// its ink must stay inside, and right-to-left layout for the languages that
// need it. Texts are never shrunk to fit; a text that does not fit is an
// error the build reports.
#pragma once

#include <string>
#include <vector>

#include "datagen/SvgRender.h"

// Ink may reach this far past a box (user units) before it counts as overflow.
const double TEXT_FIT_TOLERANCE = 0.5;

// One <text> element that shows words. Invariant: `id` names the element in
// the SVG that prepareTexts returned.
struct TextSlot {
    std::string keys;  // the placeholders it shows, as written: "{{btn_ok}}"
    std::string id;
    SvgBox box;        // from data-box="x y w h", in the document's user units (its viewBox)
};

// Languages written right to left ("ar", "he", ...), by code or by code_CC.
bool isRightToLeft(const std::string &language);
// Finds every <text> whose content holds a {{key}}, gives it the id "fitN"
// unless it has one, and reads its data-box. With `rightToLeft`, each such
// text also gets direction="rtl" and its "start"/"end" anchor swapped (a
// missing anchor counts as "start"), so it keeps the side of its anchor.
// False, with a message, when a text with words has no usable data-box.
bool prepareTexts(const std::string &svg, bool rightToLeft, std::string &prepared, std::vector<TextSlot> &slots,
                  std::string &error);
// How far `ink` reaches outside `box`, in user units (0 when inside), and
// on which side: "left", "right", "top" or "bottom".
double overflowOf(const SvgBox &box, const SvgBox &ink, std::string &side);
