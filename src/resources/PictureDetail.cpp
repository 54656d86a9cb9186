#include "resources/PictureDetail.h"

#include <algorithm>
#include <cmath>

// sRGB channel values to linear light, computed once (C++11 statics are
// thread-safe: photos are measured on worker threads).
struct LinearTable {
    double values[256];
    LinearTable()
    {
        for (int i = 0; i < 256; i++) {
            double c = i / 255.0;
            values[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
    }
};

static double linear(unsigned char c)
{
    static const LinearTable table;
    return table.values[c];
}

static double labF(double t)
{
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
}

Lab toLab(const unsigned char rgb[3])
{
    double r = linear(rgb[0]), g = linear(rgb[1]), b = linear(rgb[2]);
    double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    double fx = labF(x), fy = labF(y), fz = labF(z);
    return Lab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double deltaE76(const Lab &p, const Lab &q)
{
    return std::sqrt((p.l - q.l) * (p.l - q.l) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b));
}

static double medianOf(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

PieceDetail detailOfColours(const std::vector<Lab> &labs)
{
    PieceDetail d;
    if (labs.empty())
        return d;
    Lab mean;
    std::vector<double> ls, as, bs;
    for (const Lab &c : labs) {
        mean.l += c.l / labs.size(), mean.a += c.a / labs.size(), mean.b += c.b / labs.size();
        ls.push_back(c.l), as.push_back(c.a), bs.push_back(c.b);
    }
    Lab median{medianOf(ls), medianOf(as), medianOf(bs)};
    double sum = 0;
    size_t far = 0;
    for (const Lab &c : labs) {
        double e = deltaE76(c, mean);
        sum += e * e;
        far += deltaE76(c, median) > FEATURE_DELTA_E;
    }
    d.spread = std::sqrt(sum / labs.size());
    d.feature = (double)far / labs.size();
    return d;
}

int plainCells(const unsigned char *rgb, int width, int height, int columns, int rows)
{
    int plain = 0;
    for (int row = 0; row < rows; row++)
        for (int column = 0; column < columns; column++) {
            std::vector<Lab> labs;
            for (int y = row * height / rows; y < (row + 1) * height / rows; y++)
                for (int x = column * width / columns; x < (column + 1) * width / columns; x++)
                    labs.push_back(toLab(&rgb[((size_t)y * width + x) * 3]));
            plain += !labs.empty() && detailOfColours(labs).feature < PLAIN_FEATURE_SHARE;
        }
    return plain;
}
