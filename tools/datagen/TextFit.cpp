#include "datagen/TextFit.h"

#include <cstdio>
#include <cstdlib>

bool isRightToLeft(const std::string &language)
{
    static const char *const RTL[] = {"ar", "he", "fa", "ur", "yi"};
    std::string base = language.substr(0, language.find('_'));
    for (const char *code : RTL)
        if (base == code)
            return true;
    return false;
}

// The value of attribute `name` inside one start tag, or "" when absent.
static std::string attribute(const std::string &tag, const std::string &name, bool &found)
{
    std::string key = " " + name + "=\"";
    size_t at = tag.find(key);
    found = at != std::string::npos;
    if (!found)
        return "";
    size_t start = at + key.size(), end = tag.find('"', start);
    return tag.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

static bool parseBox(const std::string &text, SvgBox &box)
{
    double v[4];
    const char *p = text.c_str();
    for (int i = 0; i < 4; i++) {
        char *end;
        v[i] = strtod(p, &end);
        if (end == p)
            return false;
        p = end;
        while (*p == ' ' || *p == ',')
            p++;
    }
    if (*p != '\0' || v[2] <= 0 || v[3] <= 0)
        return false;
    box.x = v[0];
    box.y = v[1];
    box.width = v[2];
    box.height = v[3];
    return true;
}

// The placeholders in a text's content, as written, in order.
static std::string placeholdersIn(const std::string &content)
{
    std::string keys;
    for (size_t open = content.find("{{"); open != std::string::npos; open = content.find("{{", open + 2)) {
        size_t close = content.find("}}", open);
        if (close == std::string::npos)
            break;
        keys += content.substr(open, close + 2 - open);
    }
    return keys;
}

// The start tag laid out right to left: direction="rtl", anchors swapped.
static std::string mirroredTag(const std::string &tag)
{
    bool hasAnchor;
    std::string anchor = attribute(tag, "text-anchor", hasAnchor);
    std::string out = tag;
    std::string mirrored = anchor == "end" ? "start" : anchor == "middle" ? "middle" : "end";
    if (hasAnchor) {
        size_t at = out.find(" text-anchor=\"");
        out.replace(at, 14 + anchor.size() + 1, " text-anchor=\"" + mirrored + "\"");
    } else {
        out.insert(5, " text-anchor=\"end\"");
    }
    out.insert(5, " direction=\"rtl\"");
    return out;
}

// Prepares one <text ...> start tag whose content shows `keys`.
static bool prepareTag(std::string &tag, const std::string &keys, bool rightToLeft, size_t number,
                       std::vector<TextSlot> &slots, std::string &error)
{
    TextSlot slot;
    slot.keys = keys;
    bool found;
    std::string box = attribute(tag, "data-box", found);
    if (!found || !parseBox(box, slot.box)) {
        error = "the text showing " + keys + (found ? " has a malformed data-box \"" + box + "\"" : " has no data-box");
        return false;
    }
    slot.id = attribute(tag, "id", found);
    if (found && slot.id.empty()) {
        error = "the text showing " + keys + " has an empty id";
        return false;
    }
    if (!found) {
        slot.id = "fit" + std::to_string(number);
        tag.insert(5, " id=\"" + slot.id + "\"");
    }
    if (rightToLeft)
        tag = mirroredTag(tag);
    slots.push_back(slot);
    return true;
}

bool prepareTexts(const std::string &svg, bool rightToLeft, std::string &prepared, std::vector<TextSlot> &slots,
                  std::string &error)
{
    prepared.clear();
    slots.clear();
    size_t pos = 0;
    for (;;) {
        size_t open = svg.find("<text", pos);
        size_t tagEnd = open == std::string::npos ? open : svg.find('>', open);
        size_t close = tagEnd == std::string::npos ? tagEnd : svg.find("</text>", tagEnd);
        if (close == std::string::npos)
            break;
        std::string tag = svg.substr(open, tagEnd - open);
        std::string keys = placeholdersIn(svg.substr(tagEnd, close - tagEnd));
        if (!keys.empty() && !prepareTag(tag, keys, rightToLeft, slots.size(), slots, error))
            return false;
        prepared += svg.substr(pos, open - pos) + tag;
        pos = tagEnd;
    }
    prepared += svg.substr(pos);
    return true;
}

double overflowOf(const SvgBox &box, const SvgBox &ink, std::string &side)
{
    const struct {
        const char *name;
        double amount;
    } sides[] = {
        {"left", box.x - ink.x},
        {"right", ink.x + ink.width - (box.x + box.width)},
        {"top", box.y - ink.y},
        {"bottom", ink.y + ink.height - (box.y + box.height)},
    };
    double worst = 0;
    side.clear();
    for (const auto &s : sides) {
        if (s.amount > worst) {
            worst = s.amount;
            side = s.name;
        }
    }
    return worst;
}
