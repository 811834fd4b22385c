// airway_picture OUTPUT.png: draws the compiled-in wall table from outside, in front and side
// views, with a small software rasteriser, for the documentation.
// airway_picture --icon SIZE OUTPUT.png: the game's icon, the front view on a dark disc.
// Not part of the game.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "world/BronchiMesh.h"

namespace {

constexpr float farAway = 1e30f;

struct Image {
    int width;
    int height;
    std::vector<float> rgb;
    std::vector<float> depth;
    Image(int w, int h)
        : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3),
          depth(static_cast<size_t>(w) * h, farAway)
    {
    }
};

struct View {
    // Screen axes in world space: right, up, and towards the viewer.
    float right[3];
    float up[3];
    float toward[3];
    float centre[3];
    float scale;  // pixels per world unit
    int originX;  // pixel column of the centre
    int originY;
};

float dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void shadePixel(Image& img, int x, int y, float depth, const float n[3], const View& view) {
    const size_t i = static_cast<size_t>(y) * img.width + x;
    if (depth >= img.depth[i]) return;
    img.depth[i] = depth;
    float nn[3] = {n[0], n[1], n[2]};
    const float len = std::sqrt(dot3(nn, nn));
    for (float& c : nn) c /= len;
    // Light from upper left in front of the viewer, in screen terms.
    float light[3];
    float half[3];
    for (int k = 0; k < 3; ++k) {
        light[k] = -0.45f * view.right[k] + 0.55f * view.up[k] + 0.70f * view.toward[k];
        half[k] = light[k] + view.toward[k];
    }
    const float ll = std::sqrt(dot3(light, light));
    const float hl = std::sqrt(dot3(half, half));
    const float diffuse = std::max(0.0f, dot3(nn, light) / ll);
    const float specular = std::pow(std::max(0.0f, dot3(nn, half) / hl), 40.0f);
    const float rim = std::pow(1.0f - std::max(0.0f, dot3(nn, view.toward)), 3.0f);
    const float base[3] = {0.86f, 0.55f, 0.52f};
    for (int k = 0; k < 3; ++k) {
        img.rgb[i * 3 + k] = base[k] * (0.18f + 0.72f * diffuse) + 0.35f * specular + 0.12f * rim;
    }
}

void drawTriangle(Image& img, const WallTriangle& t, const View& view) {
    float sx[3];
    float sy[3];
    float sz[3];
    for (int k = 0; k < 3; ++k) {
        const float p[3] = {t.vertex[k].x - view.centre[0], t.vertex[k].y - view.centre[1],
                            t.vertex[k].z - view.centre[2]};
        sx[k] = view.originX + view.scale * dot3(p, view.right);
        sy[k] = view.originY - view.scale * dot3(p, view.up);
        sz[k] = -dot3(p, view.toward);
    }
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    const int x1 =
        std::min(img.width - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    const int y1 =
        std::min(img.height - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    const float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
    if (std::abs(area) < 1e-9f) return;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float px = x + 0.5f;
            const float py = y + 0.5f;
            const float w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
            const float w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
            const float w2 = 1.0f - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            const float depth = w0 * sz[0] + w1 * sz[1] + w2 * sz[2];
            const WallVertex* v = t.vertex;
            const float n[3] = {w0 * v[0].nx + w1 * v[1].nx + w2 * v[2].nx,
                                w0 * v[0].ny + w1 * v[1].ny + w2 * v[2].ny,
                                w0 * v[0].nz + w1 * v[1].nz + w2 * v[2].nz};
            shadePixel(img, x, y, depth, n, view);
        }
    }
}

png_byte toByte(float c) {
    return static_cast<png_byte>(std::lround(255.0f * std::min(1.0f, std::max(0.0f, c))));
}

// pixels: rows of RGB or, with alpha, RGBA bytes.
bool writePng(const char* path, int width, int height, bool alpha,
              const std::vector<png_byte>& pixels) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t rowBytes = static_cast<size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y)
        png_write_row(png, pixels.data() + static_cast<size_t>(y) * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

void meshBounds(float lower[3], float upper[3]) {
    for (int k = 0; k < 3; ++k) {
        lower[k] = farAway;
        upper[k] = -farAway;
    }
    for (const WallTriangle& t : BronchiMesh) {
        for (const WallVertex& v : t.vertex) {
            const float p[3] = {v.x, v.y, v.z};
            for (int k = 0; k < 3; ++k) {
                lower[k] = std::min(lower[k], p[k]);
                upper[k] = std::max(upper[k], p[k]);
            }
        }
    }
}

bool drawDocumentationPicture(const char* path) {
    const int panel = 640;
    Image img(panel * 2, 760);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float shade =
                0.97f - 0.10f * static_cast<float>(y) / static_cast<float>(img.height);
            const size_t i = (static_cast<size_t>(y) * img.width + x) * 3;
            img.rgb[i] = shade;
            img.rgb[i + 1] = shade;
            img.rgb[i + 2] = shade + 0.01f;
        }
    }
    float lower[3];
    float upper[3];
    meshBounds(lower, upper);
    const float centre[3] = {(lower[0] + upper[0]) / 2, (lower[1] + upper[1]) / 2,
                             (lower[2] + upper[2]) / 2};
    // From the front (the patient's right on the left of the picture, as in a chest film),
    // and from the patient's left side.
    const View front{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {centre[0], centre[1], centre[2]},
                     3.3f, panel / 2, 380};
    const View side{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}, {centre[0], centre[1], centre[2]},
                    3.3f, panel + panel / 2, 380};
    for (const View* view : {&front, &side}) {
        Image layer(img.width, img.height);
        layer.rgb = img.rgb;
        for (const WallTriangle& t : BronchiMesh) drawTriangle(layer, t, *view);
        const int from = view == &front ? 0 : panel;
        for (int y = 0; y < img.height; ++y) {
            for (int x = from; x < from + panel; ++x) {
                const size_t i = (static_cast<size_t>(y) * img.width + x) * 3;
                for (int k = 0; k < 3; ++k) img.rgb[i + k] = layer.rgb[i + k];
            }
        }
    }
    std::vector<png_byte> pixels(img.rgb.size());
    std::transform(img.rgb.begin(), img.rgb.end(), pixels.begin(), toByte);
    return writePng(path, img.width, img.height, false, pixels);
}

// The front view filling a dark disc, drawn with 4 x 4 samples a pixel so that the edges and
// the thin bronchi stay smooth at 48 pixels.
bool drawIcon(int size, const char* path) {
    const int samples = 4;
    Image img(size * samples, size * samples);
    float lower[3];
    float upper[3];
    meshBounds(lower, upper);
    const float extent = std::max(upper[0] - lower[0], upper[2] - lower[2]);
    const float disc = img.width / 2.0f;
    const View front{{1, 0, 0}, {0, 0, 1}, {0, -1, 0},
                     {(lower[0] + upper[0]) / 2, (lower[1] + upper[1]) / 2,
                      (lower[2] + upper[2]) / 2},
                     1.6f * disc / extent, img.width / 2, img.height / 2};
    std::vector<float> cover(img.depth.size());
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const size_t i = static_cast<size_t>(y) * img.width + x;
            const float dx = x + 0.5f - disc;
            const float dy = y + 0.5f - disc;
            const float r = std::sqrt(dx * dx + dy * dy) / disc;
            cover[i] = r <= 1.0f ? 1.0f : 0.0f;
            // Deep blue, lighter towards the rim, like the far end of a lit tube.
            const float glow = 0.10f + 0.22f * r * r;
            img.rgb[i * 3] = 0.35f * glow;
            img.rgb[i * 3 + 1] = 0.55f * glow;
            img.rgb[i * 3 + 2] = glow + 0.05f;
        }
    }
    for (const WallTriangle& t : BronchiMesh) drawTriangle(img, t, front);
    std::vector<png_byte> pixels;
    pixels.reserve(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float sum[3] = {0, 0, 0};
            float covered = 0;
            for (int sy = y * samples; sy < (y + 1) * samples; ++sy) {
                for (int sx = x * samples; sx < (x + 1) * samples; ++sx) {
                    const size_t i = static_cast<size_t>(sy) * img.width + sx;
                    const float c = img.depth[i] < farAway ? 1.0f : cover[i];
                    covered += c;
                    for (int k = 0; k < 3; ++k) sum[k] += c * img.rgb[i * 3 + k];
                }
            }
            for (int k = 0; k < 3; ++k)
                pixels.push_back(toByte(covered > 0 ? sum[k] / covered : 0.0f));
            pixels.push_back(toByte(covered / (samples * samples)));
        }
    }
    return writePng(path, size, size, true, pixels);
}

}  // namespace

int main(int argc, char** argv) {
    const bool icon = argc == 4 && std::strcmp(argv[1], "--icon") == 0;
    if (argc != 2 && !icon) {
        std::fprintf(stderr, "usage: airway_picture OUTPUT.png\n"
                             "       airway_picture --icon SIZE OUTPUT.png\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    const int size = icon ? std::atoi(argv[2]) : 0;
    if (icon && (size < 16 || size > 1024)) {
        std::fprintf(stderr, "icon size %s is not between 16 and 1024\n", argv[2]);
        return 2;
    }
    if (!(icon ? drawIcon(size, path) : drawDocumentationPicture(path))) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}
