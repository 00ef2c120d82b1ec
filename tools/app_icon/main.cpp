// app_icon OUT.ico — draws the program's icon (a loop ring with an arrowhead
// on a dark disc) at 32x32 and 16x16 and writes it as a Windows .ico file with
// 32-bit BGRA images, so that no binary icon has to live in the repository.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba over(const Rgba& top, const Rgba& bottom)
{
    const double a = top.a + bottom.a * (1.0 - top.a);
    if (a <= 0.0)
        return {};
    auto mix = [&](double t, double b) { return (t * top.a + b * bottom.a * (1.0 - top.a)) / a; };
    return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), a};
}

bool insideTriangle(double x, double y, const std::array<double, 6>& v)
{
    auto side = [&](int i, int j) { return (v[j] - v[i]) * (y - v[i + 1]) - (v[j + 1] - v[i + 1]) * (x - v[i]); };
    const double d1 = side(0, 2), d2 = side(2, 4), d3 = side(4, 0);
    return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

// Colour of one point of the unit square (y grows downwards).
Rgba shade(double x, double y)
{
    constexpr double c = 0.5, ringRadius = 0.31, ringWidth = 0.12;
    const Rgba disc{0.11, 0.12, 0.16, 1.0};
    const double dx = x - c, dy = y - c, r = std::hypot(dx, dy);
    Rgba colour = r <= 0.48 ? disc : Rgba{};
    // Clockwise angle from twelve o'clock; the ring leaves a gap before it.
    double angle = std::atan2(dx, -dy);
    if (angle < 0)
        angle += 2.0 * std::numbers::pi;
    const double t = angle / (2.0 * std::numbers::pi);
    const Rgba ring{0.30 + 0.40 * t, 0.85 - 0.30 * t, 0.48 + 0.47 * t, 1.0}; // green to lilac
    const bool onRing = std::abs(r - ringRadius) <= ringWidth / 2 && angle >= 0.75;
    const std::array<double, 6> arrow{c - 0.03, c - ringRadius - 0.14, c - 0.03, c - ringRadius + 0.14,
                                      c + 0.17, c - ringRadius};
    if (onRing || insideTriangle(x, y, arrow))
        colour = over(onRing ? ring : Rgba{0.70, 0.55, 0.95, 1.0}, colour);
    return colour;
}

// Supersampled 4x4 per pixel; rows bottom-up as .ico bitmaps store them.
std::vector<uint8_t> renderBgra(int size)
{
    std::vector<uint8_t> pixels;
    for (int row = size - 1; row >= 0; --row)
        for (int col = 0; col < size; ++col) {
            Rgba sum;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const Rgba s = shade((col + (sx + 0.5) / 4) / size, (row + (sy + 0.5) / 4) / size);
                    sum.r += s.r * s.a, sum.g += s.g * s.a, sum.b += s.b * s.a, sum.a += s.a;
                }
            const double a = sum.a / 16.0;
            auto channel = [&](double premultiplied) {
                return static_cast<uint8_t>(std::lround(a > 0 ? std::clamp(premultiplied / sum.a, 0.0, 1.0) * 255 : 0));
            };
            pixels.insert(pixels.end(), {channel(sum.b), channel(sum.g), channel(sum.r),
                                         static_cast<uint8_t>(std::lround(a * 255))});
        }
    return pixels;
}

void put(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// BITMAPINFOHEADER (height doubled for the mask), BGRA rows, then the 1-bit
// AND mask (all zero: the alpha channel decides), rows padded to 4 bytes.
std::vector<uint8_t> iconImage(int size)
{
    std::vector<uint8_t> out;
    const uint32_t maskRow = static_cast<uint32_t>(((size + 31) / 32) * 4);
    put(out, 40, 4);
    put(out, static_cast<uint32_t>(size), 4);
    put(out, static_cast<uint32_t>(size * 2), 4);
    put(out, 1, 2);  // planes
    put(out, 32, 2); // bits per pixel
    put(out, 0, 4);  // BI_RGB
    put(out, static_cast<uint32_t>(size * size * 4) + maskRow * static_cast<uint32_t>(size), 4);
    put(out, 0, 4), put(out, 0, 4), put(out, 0, 4), put(out, 0, 4);
    const auto pixels = renderBgra(size);
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), maskRow * static_cast<uint32_t>(size), 0);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: app_icon OUT.ico\n");
        return 1;
    }
    const std::array<int, 2> sizes{32, 16};
    std::vector<std::vector<uint8_t>> images;
    for (int size : sizes)
        images.push_back(iconImage(size));

    std::vector<uint8_t> file;
    put(file, 0, 2); // reserved
    put(file, 1, 2); // icon
    put(file, static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.push_back(static_cast<uint8_t>(sizes[i]));
        file.push_back(static_cast<uint8_t>(sizes[i]));
        file.push_back(0), file.push_back(0); // no palette, reserved
        put(file, 1, 2);                      // planes
        put(file, 32, 2);                     // bits per pixel
        put(file, static_cast<uint32_t>(images[i].size()), 4);
        put(file, offset, 4);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());

    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "app_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
