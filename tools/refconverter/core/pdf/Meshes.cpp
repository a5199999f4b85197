#include "core/pdf/Meshes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace refconv::pdf {

namespace {

constexpr size_t kMostPieces = 200'000;  // a hostile mesh is cut short here
constexpr int kPatchSteps = 32;
constexpr double kOverlap = 4;  // plotter units, a tenth of a millimetre

// A vertex of a mesh: where it is in shading space and its colour's components (or its t).
struct Vertex {
  Point at;
  std::vector<double> color;
};

Vertex mix(const Vertex& a, const Vertex& b, double t) {
  Vertex v{{a.at.x + (b.at.x - a.at.x) * t, a.at.y + (b.at.y - a.at.y) * t}, a.color};
  for (size_t i = 0; i < v.color.size() && i < b.color.size(); ++i) v.color[i] += (b.color[i] - a.color[i]) * t;
  return v;
}

// Bits of a mesh's data, most significant first.
class Bits {
 public:
  explicit Bits(const std::string& data) : data_(data) {}
  bool done() const { return at_ + 8 > data_.size() * 8; }
  double read(int bits) {
    uint64_t value = 0;
    for (int i = 0; i < bits; ++i, ++at_) {
      const size_t byte = at_ / 8;
      const int bit = byte < data_.size() ? (static_cast<unsigned char>(data_[byte]) >> (7 - at_ % 8)) & 1 : 0;
      value = value << 1 | static_cast<uint64_t>(bit);
    }
    return static_cast<double>(value);
  }
  void align() { at_ = (at_ + 7) / 8 * 8; }

 private:
  const std::string& data_;
  size_t at_ = 0;
};

class Mesh {
 public:
  Mesh(const ColorSpace& colors, const Function* function, const Matrix& space, const Piece& piece)
      : colors_(colors), function_(function), space_(space), piece_(piece) {}

  uint32_t colorOf(const std::vector<double>& c) const {
    if (!function_) {
      std::vector<double> v = c;
      v.resize(std::max<size_t>(v.size(), static_cast<size_t>(colors_.components())), 0);
      return colors_.rgb(v.data());
    }
    std::vector<double> out = (*function_)(c);
    out.resize(std::max<size_t>(out.size(), static_cast<size_t>(colors_.components())), 0);
    return colors_.rgb(out.data());
  }

  void polygon(const std::vector<Point>& inShading, const std::vector<double>& color) {
    if (++pieces_ > kMostPieces) return;
    std::vector<Point> polygon;
    Point middle{0, 0};
    for (const Point& p : inShading) {
      polygon.push_back(space_.apply(p));
      middle.x += polygon.back().x / static_cast<double>(inShading.size());
      middle.y += polygon.back().y / static_cast<double>(inShading.size());
    }
    // Each piece reaches a little past its edges, so that no seam shows between neighbours.
    for (Point& p : polygon) {
      const double d = std::hypot(p.x - middle.x, p.y - middle.y);
      if (d > 0) p = {p.x + (p.x - middle.x) * kOverlap / d, p.y + (p.y - middle.y) * kOverlap / d};
    }
    polygon.push_back(polygon.front());
    piece_(std::move(polygon), colorOf(color));
  }

  // A triangle of Gouraud colours, split in four until its pieces are small or alike.
  void triangle(const Vertex& a, const Vertex& b, const Vertex& c, int depth = 0) {
    const Point pa = space_.apply(a.at), pb = space_.apply(b.at), pc = space_.apply(c.at);
    const double size = std::max({std::hypot(pb.x - pa.x, pb.y - pa.y), std::hypot(pc.x - pb.x, pc.y - pb.y),
                                  std::hypot(pa.x - pc.x, pa.y - pc.y)});
    const uint32_t ca = colorOf(a.color), cb = colorOf(b.color), cc = colorOf(c.color);
    if (depth >= 6 || size < 20 || (ca == cb && cb == cc)) {
      Vertex middle = mix(mix(a, b, 0.5), c, 1.0 / 3);
      polygon({a.at, b.at, c.at}, middle.color);
      return;
    }
    const Vertex ab = mix(a, b, 0.5), bc = mix(b, c, 0.5), ca2 = mix(c, a, 0.5);
    triangle(a, ab, ca2, depth + 1);
    triangle(ab, b, bc, depth + 1);
    triangle(ca2, bc, c, depth + 1);
    triangle(ab, bc, ca2, depth + 1);
  }

  // A tensor-product patch of 16 points p[u][v] with its corners' colours, in a grid of
  // quadrilaterals.
  void patch(const std::array<std::array<Point, 4>, 4>& p, const std::array<std::vector<double>, 4>& corner) {
    auto bernstein = [](int i, double t) {
      const double s = 1 - t;
      return i == 0 ? s * s * s : i == 1 ? 3 * t * s * s : i == 2 ? 3 * t * t * s : t * t * t;
    };
    auto at = [&](double u, double v) {
      Point q{0, 0};
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
          const double w = bernstein(i, u) * bernstein(j, v);
          q.x += p[i][j].x * w, q.y += p[i][j].y * w;
        }
      return q;
    };
    auto colorAt = [&](double u, double v) {
      std::vector<double> c = corner[0];
      for (size_t k = 0; k < c.size(); ++k)
        c[k] = (1 - u) * (1 - v) * corner[0][k] + (1 - u) * v * corner[1][k] + u * v * corner[2][k] +
               u * (1 - v) * corner[3][k];
      return c;
    };
    // Pieces about half a millimetre on the page, 4 to 32 along each side.
    Bounds box;
    for (const auto& row : p)
      for (const Point& q : row) box.add(space_.apply(q));
    const int steps = std::clamp(static_cast<int>(std::max(box.width(), box.height()) / 20), 4, kPatchSteps);
    for (int i = 0; i < steps; ++i)
      for (int j = 0; j < steps; ++j) {
        const double u0 = static_cast<double>(i) / steps, u1 = static_cast<double>(i + 1) / steps;
        const double v0 = static_cast<double>(j) / steps, v1 = static_cast<double>(j + 1) / steps;
        polygon({at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1)}, colorAt((u0 + u1) / 2, (v0 + v1) / 2));
      }
  }

 private:
  const ColorSpace& colors_;
  const Function* function_;
  const Matrix& space_;
  const Piece& piece_;
  size_t pieces_ = 0;
};

}  // namespace

bool shadePieces(Document& document, const Object& shading, int kind, const ColorSpace& colors,
                 const Function* function, const Matrix& space, const Piece& piece) {
  const Dict& dict = *shading.asDict();
  Mesh mesh(colors, function, space, piece);
  if (kind == 1) {
    // A function of x and y over its domain, mapped by its matrix, in a grid of cells.
    if (!function) return false;
    std::vector<double> domain = document.numbers(dict, "Domain"), m = document.numbers(dict, "Matrix");
    if (domain.size() != 4) domain = {0, 1, 0, 1};
    if (m.size() != 6) m = {1, 0, 0, 1, 0, 0};
    const Matrix inner{m[0], m[1], m[2], m[3], m[4], m[5]};
    constexpr int kCells = 48;
    for (int i = 0; i < kCells; ++i)
      for (int j = 0; j < kCells; ++j) {
        auto at = [&](double fi, double fj) {
          return inner.apply(
              {domain[0] + (domain[1] - domain[0]) * fi / kCells, domain[2] + (domain[3] - domain[2]) * fj / kCells});
        };
        const double x = domain[0] + (domain[1] - domain[0]) * (i + 0.5) / kCells;
        const double y = domain[2] + (domain[3] - domain[2]) * (j + 0.5) / kCells;
        mesh.polygon({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}, {x, y});
      }
    return true;
  }
  if (shading.kind != Object::Kind::Stream) return false;
  const Object bpc = document.get(dict, "BitsPerCoordinate"), bpcomp = document.get(dict, "BitsPerComponent"),
               bpf = document.get(dict, "BitsPerFlag");
  const int coordBits = bpc.kind == Object::Kind::Int ? static_cast<int>(bpc.integer) : 0;
  const int compBits = bpcomp.kind == Object::Kind::Int ? static_cast<int>(bpcomp.integer) : 0;
  const int flagBits = bpf.kind == Object::Kind::Int ? static_cast<int>(bpf.integer) : 8;
  const size_t n = function ? 1 : static_cast<size_t>(colors.components());
  const std::vector<double> decode = document.numbers(dict, "Decode");
  if (coordBits < 1 || coordBits > 32 || compBits < 1 || compBits > 16 || flagBits < 2 || flagBits > 8 ||
      decode.size() < 4 + 2 * n)
    return false;
  const std::string data = document.streamData(shading);
  Bits bits(data);
  auto value = [&](int width, double low, double high) {
    return low + bits.read(width) * (high - low) / (std::pow(2.0, width) - 1);
  };
  auto point = [&] {
    const double x = value(coordBits, decode[0], decode[1]);
    return Point{x, value(coordBits, decode[2], decode[3])};
  };
  auto color = [&] {
    std::vector<double> c(n);
    for (size_t k = 0; k < n; ++k) c[k] = value(compBits, decode[4 + 2 * k], decode[5 + 2 * k]);
    return c;
  };
  if (kind == 4 || kind == 5) {
    std::vector<Vertex> vertices, pending;  // a lattice's vertices; a free triangle being read
    std::array<Vertex, 3> last;
    bool haveLast = false;
    const Object perRow = document.get(dict, "VerticesPerRow");
    const size_t rowLength = perRow.kind == Object::Kind::Int && perRow.integer >= 2 ? perRow.integer : 0;
    if (kind == 5 && rowLength == 0) return false;
    while (!bits.done() && vertices.size() < kMostPieces) {
      const int flag = kind == 4 ? static_cast<int>(bits.read(flagBits)) : 0;
      Vertex v{point(), color()};
      bits.align();
      if (kind == 5) {
        vertices.push_back(std::move(v));
        continue;
      }
      if (!pending.empty() || flag == 0 || !haveLast) {
        // Flag 0 starts a triangle, which the next two vertices end.
        pending.push_back(std::move(v));
        if (pending.size() < 3) continue;
        last = {pending[0], pending[1], pending[2]};
        pending.clear();
      } else {
        // Flag 1 shares the last triangle's edge from its second vertex, flag 2 from its first.
        last = {flag == 1 ? last[1] : last[0], last[2], std::move(v)};
      }
      haveLast = true;
      mesh.triangle(last[0], last[1], last[2]);
    }
    if (kind == 5)
      for (size_t row = 0; (row + 2) * rowLength <= vertices.size(); ++row)
        for (size_t i = 0; i + 1 < rowLength; ++i) {
          const Vertex& p = vertices[row * rowLength + i];
          const Vertex& q = vertices[row * rowLength + i + 1];
          const Vertex& r = vertices[(row + 1) * rowLength + i];
          const Vertex& s = vertices[(row + 1) * rowLength + i + 1];
          mesh.triangle(p, q, r);
          mesh.triangle(q, s, r);
        }
    return true;
  }
  if (kind != 6 && kind != 7) return false;
  // Coons (6) and tensor-product (7) patches: the 12 points round the edge from p00 and the 4
  // inside, the colours of the corners p00, p03, p33, p30; an edge and two colours shared with
  // the patch before when the flag says.
  std::array<std::array<Point, 4>, 4> p{}, last{};
  std::array<std::vector<double>, 4> corner, lastCorner;
  constexpr int kRound[12][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3},
                                 {3, 3}, {3, 2}, {3, 1}, {3, 0}, {2, 0}, {1, 0}};
  bool haveLast = false;
  for (size_t patches = 0; !bits.done() && patches < kMostPieces / (kPatchSteps * kPatchSteps); ++patches) {
    const int flag = static_cast<int>(bits.read(flagBits));
    int first = 0;
    if (flag != 0) {
      if (!haveLast || flag > 3) return true;
      // The shared edge, as the flag names it, becomes p00 to p03.
      static constexpr int kShared[4][4][2] = {
          {}, {{0, 3}, {1, 3}, {2, 3}, {3, 3}}, {{3, 3}, {3, 2}, {3, 1}, {3, 0}}, {{3, 0}, {2, 0}, {1, 0}, {0, 0}}};
      for (int k = 0; k < 4; ++k) p[0][k] = last[kShared[flag][k][0]][kShared[flag][k][1]];
      const int from[4][2] = {{}, {1, 2}, {2, 3}, {3, 0}};
      corner[0] = lastCorner[from[flag][0]];
      corner[1] = lastCorner[from[flag][1]];
      first = 4;
    }
    for (int k = first; k < 12; ++k) p[kRound[k][0]][kRound[k][1]] = point();
    if (kind == 7) {
      p[1][1] = point(), p[1][2] = point(), p[2][2] = point(), p[2][1] = point();
    } else {
      auto inner = [&](int i, int j, int a, int b, int c, int d, int e, int f, int g, int h, int x, int y, int s, int t,
                       int u, int w) {
        (void)i, (void)j;
        return Point{
            (-4 * p[a][b].x + 6 * (p[c][d].x + p[e][f].x) - 2 * (p[g][h].x + p[x][y].x) + 3 * (p[s][t].x + p[u][w].x)) /
                9,
            (-4 * p[a][b].y + 6 * (p[c][d].y + p[e][f].y) - 2 * (p[g][h].y + p[x][y].y) + 3 * (p[s][t].y + p[u][w].y)) /
                9};
      };
      // A Coons patch's inner points from its edges (ISO 32000-1, 8.7.4.5.7), less the far
      // corner's ninth, added below.
      p[1][1] = inner(1, 1, 0, 0, 0, 1, 1, 0, 0, 3, 3, 0, 3, 1, 1, 3);
      p[1][2] = inner(1, 2, 0, 3, 0, 2, 1, 3, 0, 0, 3, 3, 3, 2, 1, 0);
      p[2][1] = inner(2, 1, 3, 0, 3, 1, 2, 0, 3, 3, 0, 0, 0, 1, 2, 3);
      p[2][2] = inner(2, 2, 3, 3, 3, 2, 2, 3, 3, 0, 0, 3, 0, 2, 2, 0);
      const Point far[4] = {p[3][3], p[3][0], p[0][3], p[0][0]};
      Point* inside[4] = {&p[1][1], &p[1][2], &p[2][1], &p[2][2]};
      for (int k = 0; k < 4; ++k) inside[k]->x -= far[k].x / 9, inside[k]->y -= far[k].y / 9;
    }
    for (int k = flag != 0 ? 2 : 0; k < 4; ++k) corner[k] = color();
    bits.align();
    mesh.patch(p, corner);
    last = p, lastCorner = corner, haveLast = true;
  }
  return true;
}

}  // namespace refconv::pdf
