// Height field queries: the checkerboard triangulation, clamped edges,
// tiles, the smoothed height, grid normals and the decal cell index.
#include "terrain/height_field.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A 5 x 5 sample terrain (n = 1) with spacing 2 and the given heights.
struct SmallField {
  HeightField hf;
  explicit SmallField(float (*h)(int, int)) {
    height_field_create(&hf, 1, 2.0f);
    for (int j = 0; j < hf.N; j++)
      for (int i = 0; i < hf.N; i++) hf.heights[j * hf.N + i] = h(i, j);
  }
  ~SmallField() { height_field_free(&hf); }
};

float distinct(int i, int j) { return (float)(i * 7 + j * 3 + (i * j) % 5); }

// The plane through three samples, evaluated at grid point (gx, gz).
float plane(const HeightField* hf, int i0, int j0, int i1, int j1, int i2, int j2, float gx, float gz) {
  float h0 = sample(hf, i0, j0), h1 = sample(hf, i1, j1), h2 = sample(hf, i2, j2);
  float ax = (float)(i1 - i0), az = (float)(j1 - j0), ah = h1 - h0;
  float bx = (float)(i2 - i0), bz = (float)(j2 - j0), bh = h2 - h0;
  float det = ax * bz - az * bx;
  float u = ((gx - i0) * bz - (gz - j0) * bx) / det;
  float v = (ax * (gz - j0) - az * (gx - i0)) / det;
  return h0 + u * ah + v * bh;
}

TEST(HeightAt, FollowsTheCheckerboardTriangles) {
  SmallField f(distinct);
  const HeightField* hf = &f.hf;
  struct Case {
    float gx, gz;  // in samples
  };
  // One point in each of the two triangles of an even and an odd cell.
  const Case cases[] = {{0.7f, 0.2f}, {0.2f, 0.7f}, {1.7f, 0.2f}, {1.2f, 0.7f}, {2.6f, 3.3f}, {3.3f, 3.8f}};
  for (const Case& c : cases) {
    int i = (int)floorf(c.gx), j = (int)floorf(c.gz);
    float fx = c.gx - i, fz = c.gz - j;
    float expected;
    if (((i + j) & 1) == 0) {
      expected = fz <= fx ? plane(hf, i, j, i + 1, j, i + 1, j + 1, c.gx, c.gz)
                          : plane(hf, i, j, i, j + 1, i + 1, j + 1, c.gx, c.gz);
    } else {
      expected = fx + fz <= 1 ? plane(hf, i, j, i + 1, j, i, j + 1, c.gx, c.gz)
                              : plane(hf, i + 1, j + 1, i + 1, j, i, j + 1, c.gx, c.gz);
    }
    EXPECT_NEAR(height_at(hf, c.gx * hf->s, c.gz * hf->s), expected, 1e-4) << c.gx << "," << c.gz;
  }
  // Sample points give the sample.
  for (int j = 0; j < hf->N; j++)
    for (int i = 0; i < hf->N; i++) EXPECT_FLOAT_EQ(height_at(hf, i * hf->s, j * hf->s), sample(hf, i, j));
}

TEST(HeightAt, OnTheDiagonalBothTrianglesAgree) {
  SmallField f(distinct);
  const HeightField* hf = &f.hf;
  for (float t = 0.05f; t < 1.0f; t += 0.1f) {
    // Even cell (0, 0): diagonal from (0, 0) to (1, 1); odd cell (1, 0): from (2, 0) to (1, 1).
    float even = height_at(hf, t * hf->s, t * hf->s);
    EXPECT_NEAR(even, sample(hf, 0, 0) + t * (sample(hf, 1, 1) - sample(hf, 0, 0)), 1e-4);
    float odd = height_at(hf, (1 + t) * hf->s, (1 - t) * hf->s);
    EXPECT_NEAR(odd, sample(hf, 2, 0) + (1 - t) * (sample(hf, 1, 1) - sample(hf, 2, 0)), 1e-4);
    // A hair either side of the diagonal lands in the other triangle and still agrees.
    EXPECT_NEAR(height_at(hf, t * hf->s + 1e-4f, t * hf->s), even, 1e-2);
    EXPECT_NEAR(height_at(hf, t * hf->s, t * hf->s + 1e-4f), even, 1e-2);
  }
}

TEST(HeightAt, OutsideTheGridContinuesFromTheEdges) {
  SmallField f(distinct);
  const HeightField* hf = &f.hf;
  float W = hf->W;
  struct Case {
    float x, z;
    int i, j;  // the edge sample that holds the height
  };
  const Case cases[] = {{-5.0f, -5.0f, 0, 0},     {W + 9.0f, -1.0f, 4, 0}, {-100.0f, W + 100.0f, 0, 4},
                        {W + 0.5f, W + 3.0f, 4, 4}, {-1e30f, 1e30f, 0, 4},   {INFINITY, -INFINITY, 4, 0}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(height_at(hf, c.x, c.z), sample(hf, c.i, c.j)) << c.x << "," << c.z;
  // Off one side only: the height still varies along the other axis.
  EXPECT_NEAR(height_at(hf, -3.0f, 1.0f * hf->s + 1.0f), (sample(hf, 0, 1) + sample(hf, 0, 2)) / 2, 1e-4);
  EXPECT_FALSE(std::isnan(height_at(hf, NAN, 3.0f)));
}

TEST(Sample, ClampsBothIndices) {
  SmallField f(distinct);
  EXPECT_EQ(sample(&f.hf, -3, 2), sample(&f.hf, 0, 2));
  EXPECT_EQ(sample(&f.hf, 7, 9), sample(&f.hf, 4, 4));
  EXPECT_EQ(sample(&f.hf, 2, -1), distinct(2, 0));
}

TEST(TileAt, ClampsToTheMap) {
  SmallField f(distinct);
  HeightField* hf = &f.hf;  // T = 2, tile size 4
  hf->tile_map[0] = 10;
  hf->tile_map[1] = 11;
  hf->tile_map[2] = 12;
  hf->tile_map[3] = 13;
  struct Case {
    float x, z;
    int tile;
  };
  const Case cases[] = {{1.0f, 1.0f, 10},  {4.5f, 1.0f, 11},   {1.0f, 7.9f, 12},   {7.9f, 7.9f, 13},
                        {-3.0f, 2.0f, 10}, {50.0f, -9.0f, 11}, {-1.0f, 80.0f, 12}, {NAN, 5.0f, 12}};
  for (const Case& c : cases) EXPECT_EQ(tile_at(hf, c.x, c.z), c.tile) << c.x << "," << c.z;
}

TEST(AverageHeight, WeightsSamplesByDistance) {
  SmallField flat([](int, int) { return 3.0f; });
  EXPECT_FLOAT_EQ(average_height(&flat.hf, 3.3f, 4.1f, 10.0f), 3.0f);
  // One raised sample: inside the radius it counts fully, in the fringe partly.
  SmallField bump([](int i, int j) { return i == 2 && j == 2 ? 10.0f : 0.0f; });
  const HeightField* hf = &bump.hf;
  // Radius 1 around (4, 4), spacing 2: the centre weighs 1, the four
  // neighbours at d = 2 weigh (3 - 2) / 2, the diagonals (3 - 2 sqrt 2) / 2.
  float diagonal = (3.0f - 2.0f * sqrtf(2.0f)) / 2.0f;
  EXPECT_NEAR(average_height(hf, 4.0f, 4.0f, 1.0f), 10.0f / (1.0f + 4 * 0.5f + 4 * diagonal), 1e-4);
  // Radius 1.5 around (5, 4): (4, 4) and (6, 4) at d = 1 weigh 1, (2, 4) and
  // (8, 4) at d = 3 weigh 0.25, (4|6, 2|6) at d = sqrt 5 weigh (3.5 - sqrt 5) / 2.
  float w = (1.5f + 2.0f - sqrtf(5.0f)) / 2.0f;
  EXPECT_NEAR(average_height(hf, 5.0f, 4.0f, 1.5f), 10.0f / (2.5f + 4.0f * w), 1e-4);
  // Nothing within reach: the sample at the low corner of the range.
  EXPECT_FLOAT_EQ(average_height(hf, 4.0f, 4.0f, -5.0f), sample(hf, 4, 4));
}

TEST(GridNormal, FlatAndSloped) {
  SmallField flat([](int, int) { return 2.0f; });
  float n[3];
  for (int j = -1; j <= 5; j++)
    for (int i = -1; i <= 5; i++) {
      grid_normal(&flat.hf, i, j, n);
      EXPECT_FLOAT_EQ(n[0], 0.0f);
      EXPECT_FLOAT_EQ(n[1], 1.0f);
      EXPECT_FLOAT_EQ(n[2], 0.0f);
    }
  // h = x / 2 (spacing 2, one unit per sample): the normal of the plane y = x / 2.
  SmallField ramp([](int i, int) { return (float)i; });
  grid_normal(&ramp.hf, 2, 2, n);
  float k = 1.0f / sqrtf(1.25f);
  EXPECT_NEAR(n[0], -0.5f * k, 1e-5);
  EXPECT_NEAR(n[1], k, 1e-5);
  EXPECT_NEAR(n[2], 0.0f, 1e-5);
}

TEST(NormalMap, BytesFromNormalAndShadow) {
  SmallField ramp([](int i, int) { return (float)i; });
  ramp.hf.shadows[2 * 5 + 2] = 55;
  build_normal_map(&ramp.hf);
  const uint8_t* at = ramp.hf.normal_map + (2 * 5 + 2) * 3;
  EXPECT_EQ(at[0], (uint8_t)((int)(-0.5f / sqrtf(1.25f) * 127) + 128));
  EXPECT_EQ(at[1], 200);
  EXPECT_EQ(at[2], 128);
}

TEST(DecalCells, TurnedBoundingBoxes) {
  HeightField hf;
  height_field_create(&hf, 5, 2.0f);  // W = 128, cells of 16
  height_field_add_decal(&hf, 8.0f, 8.0f, 0.0f, 4.0f, 1.0f, "@a.png");       // inside cell (0, 0)
  height_field_add_decal(&hf, 16.0f, 40.0f, 0.0f, 2.0f, 1.0f, "@b.png");     // on the line x = 16
  height_field_add_decal(&hf, 40.0f, 40.0f, (float)M_PI / 2, 20.0f, 0.1f, "@c.png");  // long along z when turned
  height_field_add_decal(&hf, 200.0f, -50.0f, 0.0f, 1.0f, 1.0f, "@d.png");   // off the terrain
  rebuild_decal_cells(&hf);
  auto cell = [&](int a, int b) {
    std::vector<int> list;
    const Array* c = &hf.decal_cells[b * DECAL_CELLS + a];
    for (int k = 0; k < c->count; k++) list.push_back(*array_at<int>(c, k));
    return list;
  };
  EXPECT_EQ(cell(0, 0), std::vector<int>({0}));
  EXPECT_EQ(cell(0, 2), std::vector<int>({1}));
  EXPECT_EQ(cell(1, 2), std::vector<int>({1}));
  EXPECT_EQ(cell(2, 2), std::vector<int>({2}));
  EXPECT_EQ(cell(2, 1), std::vector<int>({2}));
  EXPECT_EQ(cell(2, 3), std::vector<int>({2}));
  EXPECT_EQ(cell(3, 2), std::vector<int>());
  EXPECT_EQ(cell(7, 0), std::vector<int>({3}));
  height_field_free(&hf);
}

}  // namespace
