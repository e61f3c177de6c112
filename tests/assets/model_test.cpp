// The ".zm" reader and writer, bone weights, tangents, LOD files and choice,
// the model cache, skin variants, and ".shp" collision shapes.
#include <cmath>

#include "assets/model.h"
#include "assets/shape.h"
#include "files/stream.h"
#include "fixture.h"

#include <zlib.h>

namespace {

Mesh* parse(const std::string& text, const char* name = "@test.zm") {
  Stream* s = stream_open_memory(text.data(), text.size());
  Mesh* m = read_model(s, name);
  data_close(s);
  return m;
}

// A unit square in the xy plane, two triangles, uv = xy.
const char* square_vertices =
    "0 0 0  0 0 1  0 0\n"
    "1 0 0  0 0 1  1 0\n"
    "1 1 0  0 0 1  1 1\n"
    "0 1 0  0 0 1  0 1\n";

class ModelTest : public AssetTest {
 protected:
  void TearDown() override {
    model_cache_reset();
    shape_cache_reset();
    AssetTest::TearDown();
  }
};

TEST_F(ModelTest, VersionOneMeshesUntilEndOfFile) {
  std::string text = std::string("ZM1\n") + "8 0 0.5 0.25 1 4 2\n" + square_vertices + "0 1 2\n0 2 3\n" +
                     "-1 0.75 1 1 1 3 1\n0 0 0 0 1 0 0.5 0.25\n1 0 0 0 1 0 0 0\n0 0 1 0 1 0 0 0\n0 1 2\n";
  Mesh* m = parse(text);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->name, "@test.zm");
  EXPECT_EQ(m->vertex_count, 4);
  EXPECT_EQ(m->triangle_count, 2);
  EXPECT_EQ(m->bone_count, 0);
  EXPECT_FLOAT_EQ(m->shininess, 8);
  EXPECT_FLOAT_EQ(m->reflectivity, 1);  // the second value only counts for shininess < 0
  EXPECT_FLOAT_EQ(m->colour[0], 0.5f);
  EXPECT_FLOAT_EQ(m->colour[1], 0.25f);
  EXPECT_FLOAT_EQ(m->texcoords[2 * 2 + 1], 0.0f);  // v flipped: 1 - 1
  EXPECT_FLOAT_EQ(m->texcoords[1], 1.0f);
  EXPECT_EQ(m->has_reflective, 1);
  EXPECT_FALSE(m->headerless);
  ASSERT_NE(m->next, nullptr);
  EXPECT_FLOAT_EQ(m->next->shininess, -1);
  EXPECT_FLOAT_EQ(m->next->reflectivity, 0.75f);
  EXPECT_FLOAT_EQ(m->next->texcoords[1], 0.75f);
  EXPECT_EQ(m->next->next, nullptr);
  free_model(m);
}

TEST_F(ModelTest, HeaderlessAndRejectedFiles) {
  Mesh* m = parse(std::string("4 2\n") + square_vertices + "0 1 2 0 2 3");
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->headerless);
  EXPECT_FLOAT_EQ(m->shininess, 32);
  EXPECT_FLOAT_EQ(m->reflectivity, 1);
  EXPECT_FLOAT_EQ(m->colour[0] + m->colour[1] + m->colour[2], 3);
  EXPECT_EQ(m->bone_count, 0);
  free_model(m);

  struct Case {
    std::string text;
    const char* log;
  };
  const Case cases[] = {
      {"ZM3\n1 0 1 1 1 0 0\n", "unknown model version 3"},
      {"ZM1\n", "no readable mesh"},
      {"ZM1\n1 0 1 1 1 4 2\n" + std::string(square_vertices) + "0 1 2 0 2 4\n", "names vertex 4 of 4"},
      {"ZM1\n1 0 1 1 1 4 1\n" + std::string(square_vertices) + "0 -1 2\n", "names vertex -1 of 4"},
      {"ZM1\n1 0 1 1 1 4 1\n0 0 0 0 0 1 0\n", "bad vertex 0"},
      {"ZM1\n1 0 1 1 1 2 1\n0 0 0 0 0 1 0 0 0 0 0 0 nan 1 0 0\n0 1 1\n", "bad vertex 1"},
      {"ZM1\n1 0 1 1 1 4 1\n" + std::string(square_vertices) + "0 1\n", "bad triangle 0"},
      {"ZM1\n1 0 1 1 1 99999999 1\n", "at most 1048576"},
      {"ZM1\n1 0 1 1 1 -4 1\n", "-4 vertices"},
      {"ZM2\n-1 bones\n", "bad bone header"},
      {"ZM2\n100000 bones\n", "bad bone header"},
      {"hello", "not a model file"},
      {"", "not a model file"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(c.text), nullptr) << c.text;
    EXPECT_NE(log().find(c.log), std::string::npos) << c.text << "\nlog:\n" << log();
  }

  // A damaged later mesh is dropped with a warning; the first stays.
  m = parse("ZM1\n1 0 1 1 1 1 0\n0 0 0 0 0 1 0 0\n1 0 1 1 1 4 1\n0 0 0\n");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->next, nullptr);
  free_model(m);
}

TEST_F(ModelTest, BoneWeightsKeepTheFourStrongest) {
  // Vertex 0 has five influences; the weakest (0.05, bone 4) comes last
  // and must be the one dropped, not the weakest of the four kept so far.
  std::string text =
      "ZM2\n5 rider\n"
      "1 0 1 1 1 3 1\n"
      "0 0 0 0 1 0 0 0  0.4 0.3 0.2 0.1 0.05\n"
      "1 0 0 0 1 0 0 0  0 0 0 0 0\n"
      "0 0 1 0 1 0 0 0  0 2 0 -1 0\n"
      "0 1 2\n"
      "1 0 1 1 1 1 0\n"
      "0 0 0 0 1 0 0 0  1 1 1 1 1\n";
  Mesh* m = parse(text);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->bone_count, 5);
  const float* w = m->bone_weights;
  const int* b = m->bone_indices;
  float sum = w[0] + w[1] + w[2] + w[3];
  EXPECT_NEAR(sum, 1.0f, 1e-6);
  // 0.4, 0.3, 0.2, 0.1 of 1.0 remain.
  float by_bone[5] = {0, 0, 0, 0, 0};
  for (int s = 0; s < 4; s++) by_bone[b[s]] += w[s];
  EXPECT_FLOAT_EQ(by_bone[4], 0);
  EXPECT_NEAR(by_bone[0], 0.4f, 1e-6);
  EXPECT_NEAR(by_bone[3], 0.1f, 1e-6);
  // All zero: 0.25 on each slot, bone 0.
  for (int s = 0; s < 4; s++) {
    EXPECT_FLOAT_EQ(w[4 + s], 0.25f);
    EXPECT_EQ(b[4 + s], 0);
  }
  // Negative weights count for nothing.
  EXPECT_FLOAT_EQ(w[8] + w[9] + w[10] + w[11], 1.0f);
  EXPECT_EQ(b[8], 1);
  EXPECT_FLOAT_EQ(w[8], 1.0f);
  // Rest copies behind the current arrays.
  EXPECT_FLOAT_EQ(m->positions[3 * 3 + 3 * 1], 1.0f);
  // Warned once per mesh: vertex 0 of mesh 0 and the vertex of mesh 1.
  EXPECT_EQ(log_count("Warning: vertex with more than 4 bone influences in '@test.zm'"), 2);
  free_model(m);
}

TEST_F(ModelTest, Tangents) {
  // The stored v is flipped, so uv = xy gives T = +x with B = -y; T x B
  // then points against the face and T is negated. Mirrored u gives the
  // same -x without negation. Degenerate uv: the longer edge (e2 on ties),
  // or +x when both edges are empty.
  struct Case {
    const char* vertices;
    float x, y, z;
  };
  const Case cases[] = {
      {"0 0 0 0 0 1 0 0\n2 0 0 0 0 1 1 0\n0 2 0 0 0 1 0 1\n", -1, 0, 0},
      {"0 0 0 0 0 1 1 0\n2 0 0 0 0 1 0 0\n0 2 0 0 0 1 1 1\n", -1, 0, 0},
      {"0 0 0 0 0 1 0 0\n1 0 0 0 0 1 0 0\n0 3 0 0 0 1 0 0\n", 0, 1, 0},
      {"0 0 0 0 0 1 0 0\n3 0 0 0 0 1 0 0\n0 3 0 0 0 1 0 0\n", 0, 1, 0},
      {"0 0 0 0 0 1 0 0\n0 0 0 0 0 1 0 0\n0 0 0 0 0 1 0 0\n", 1, 0, 0},
  };
  for (const Case& c : cases) {
    Mesh* m = parse(std::string("ZM1\n1 0 1 1 1 3 1\n") + c.vertices + "0 1 2\n");
    ASSERT_NE(m, nullptr);
    for (int v = 0; v < 3; v++) {
      EXPECT_NEAR(m->tangents[3 * v], c.x, 1e-5) << c.vertices;
      EXPECT_NEAR(m->tangents[3 * v + 1], c.y, 1e-5) << c.vertices;
      EXPECT_NEAR(m->tangents[3 * v + 2], c.z, 1e-5) << c.vertices;
    }
    free_model(m);
  }
}

TEST_F(ModelTest, WriterRoundTrip) {
  Mesh* m = make_mesh(3, 1, 2, "@gen.zm");
  ASSERT_NE(m, nullptr);
  m->shininess = -1;
  m->reflectivity = 0.3f;
  m->colour[0] = 0.125f;
  float positions[9] = {0.1f, 2.5f, -3, 1e-3f, 7, 8, 1.0f / 3, 0, 1};
  memcpy(m->positions, positions, sizeof positions);
  for (int v = 0; v < 3; v++) {
    m->normals[3 * v + 1] = 1;
    m->texcoords[2 * v] = 0.25f * v;
    m->texcoords[2 * v + 1] = 0.1f * v;
    m->bone_weights[4 * v] = 0.75f;
    m->bone_indices[4 * v] = 1;
    m->bone_weights[4 * v + 1] = 0.25f;
    m->bone_indices[4 * v + 1] = 0;
  }
  m->triangles[0] = 2;
  m->triangles[1] = 0;
  m->triangles[2] = 1;
  m->next = make_mesh(1, 0, 2, "@gen.zm");
  ASSERT_TRUE(write_model("@gen.zm", m));
  Mesh* r = read_model_file("@gen.zm");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->bone_count, 2);
  EXPECT_FLOAT_EQ(r->shininess, -1);
  EXPECT_FLOAT_EQ(r->reflectivity, 0.3f);
  EXPECT_FLOAT_EQ(r->colour[0], 0.125f);
  for (int i = 0; i < 9; i++) EXPECT_FLOAT_EQ(r->positions[i], positions[i]);
  for (int i = 0; i < 6; i++) EXPECT_NEAR(r->texcoords[i], m->texcoords[i], 1e-6);
  EXPECT_EQ(r->triangles[0], 2);
  for (int v = 0; v < 3; v++) {
    float by_bone[2] = {0, 0};
    for (int s = 0; s < 4; s++) by_bone[r->bone_indices[4 * v + s]] += r->bone_weights[4 * v + s];
    EXPECT_FLOAT_EQ(by_bone[1], 0.75f);
  }
  ASSERT_NE(r->next, nullptr);
  EXPECT_EQ(r->next->vertex_count, 1);
  free_model(r);
  free_model(m);
}

TEST_F(ModelTest, LodFilesAndChoice) {
  std::string mesh = "ZM1\n1 0 1 1 1 0 0\n";
  put("frame.zm", mesh);
  put("frame_lod6.zm", mesh);
  gzFile gz = gzopen((home + "frame_lod4.zm.gz").c_str(), "wb");  // listed with .gz, opened without
  gzwrite(gz, mesh.data(), (unsigned)mesh.size());
  gzclose(gz);
  put("frame_lod5", mesh);      // no character after the number: not a LOD
  put("frame_lodx.zm", mesh);
  put("framex_lod3.zm", mesh);
  data_rescan();
  Mesh* m = load_model("@frame.zm");
  ASSERT_NE(m, nullptr);
  std::vector<float> distances;
  for (const Mesh* v = m; v; v = v->next_lod) distances.push_back(v->lod_distance);
  EXPECT_EQ(distances, (std::vector<float>{0, 16, 64}));
  const Mesh* lod4 = m->next_lod;
  const Mesh* lod6 = m->next_lod->next_lod;
  EXPECT_EQ(choose_lod(m, 10, 1, 0), m);
  EXPECT_EQ(choose_lod(m, 20, 1, 0), lod4);
  EXPECT_EQ(choose_lod(m, 70, 1, 0), lod6);
  EXPECT_EQ(choose_lod(m, 70, 0, 0), m);      // scale 0: always the base
  EXPECT_EQ(choose_lod(m, 10, 2, 0), lod4);   // 20 after scaling
  EXPECT_EQ(choose_lod(m, 20, 1, -10), m);    // bias pushes the switch out to 26
  EXPECT_EQ(choose_lod(m, 1, 1, 20), lod4);   // a limit at or below 0 always switches
  EXPECT_EQ(choose_lod(m, 1, 1, 70), lod6);
  EXPECT_EQ(log_count("Warning"), 0) << log();
}

TEST_F(ModelTest, InsertOrderKeepsEarlierEqualDistancesFirst) {
  Mesh* base = make_mesh(0, 0, 0, "base");
  float order[] = {8, 2, 8, 4};
  Mesh* made[4];
  for (int i = 0; i < 4; i++) {
    made[i] = make_mesh(0, 0, 0, "lod");
    made[i]->lod_distance = order[i];
    insert_lod(base, made[i]);
  }
  // Inserted before the first version not smaller: a later 8 goes before
  // the earlier 8.
  EXPECT_EQ(base->next_lod, made[1]);
  EXPECT_EQ(base->next_lod->next_lod, made[3]);
  EXPECT_EQ(base->next_lod->next_lod->next_lod, made[2]);
  EXPECT_EQ(base->next_lod->next_lod->next_lod->next_lod, made[0]);
  free_model(base);
}

TEST_F(ModelTest, CacheByNameAndGeneration) {
  put("gate.zm", "ZM1\n1 0 1 1 1 0 0\n");
  put("menu.zm", "ZM1\n1 0 1 1 1 0 0\n");
  Mesh* menu = load_model("@menu.zm");
  ASSERT_NE(menu, nullptr);
  set_model_generation(1);
  Mesh* gate = load_model("@gate.zm");
  ASSERT_NE(gate, nullptr);
  EXPECT_EQ(gate->generation, 1);
  EXPECT_EQ(load_model("@GATE.zm"), gate);
  EXPECT_EQ(log_count("Warning: case mismatch on '@GATE.zm'"), 1);
  EXPECT_EQ(load_model("@none.zm"), nullptr);
  set_model_generation(2);
  int released = 0;
  static int* counter;
  counter = &released;
  purge_models([](Mesh*) { (*counter)++; });
  EXPECT_EQ(released, 1);
  EXPECT_EQ(model_cache_count(), 1);
  EXPECT_EQ(load_model("@menu.zm"), menu);
  EXPECT_EQ(menu->generation, 0);  // permanent models stay permanent
}

TEST_F(ModelTest, SkinVariants) {
  char variant[64], folder[64];
  ASSERT_TRUE(skin_variant_names("@bikes/frame.zm", "@skins/frame-red-plain.png", variant, 64, folder, 64));
  EXPECT_STREQ(variant, "@bikes/frame-red.zm");
  EXPECT_STREQ(folder, "@skins/frame-red.zm");
  EXPECT_FALSE(skin_variant_names("@frame.zm", "@a-b/frame-red.png", variant, 64, folder, 64));
  char tiny[8];
  EXPECT_FALSE(skin_variant_names("@bikes/frame.zm", "@frame-red-x.png", tiny, 8, folder, 64));

  std::string mesh = "ZM1\n1 0 1 1 1 0 0\n";
  put("skins/frame-blue.zm", mesh);
  put("frame.zm", mesh);
  Mesh* m = load_model_for_skin("@frame.zm", "@skins/frame-blue-x.png", true);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->name, "@skins/frame-blue.zm");
  EXPECT_EQ(load_model_for_skin("@frame.zm", "@skins/frame-green-x.png", true), nullptr);
  EXPECT_EQ(log_count("Warning: Can't load @frame-green.zm or @skins/frame-green.zm"), 1);
  EXPECT_NE(load_model_for_skin("@frame.zm", "@skins/plain.png", true), nullptr);
  EXPECT_EQ(load_model_for_skin("@fork.zm", "@skins/plain.png", true), nullptr);
  EXPECT_EQ(log_count("Warning: Can't load @fork.zm"), 1);
  // Model and skin in the same folder: one place to look, named once.
  EXPECT_EQ(load_model_for_skin("@frame.zm", "@frame-gold-x.png", true), nullptr);
  EXPECT_EQ(log_count("Warning: Can't load @frame-gold.zm\n"), 1);
  EXPECT_EQ(log_count("@frame-gold.zm or"), 0);
}

TEST_F(ModelTest, ShapesReadCacheAndCopy) {
  put("rider.shp", "2\n0 1 0 0.5 0.8 2500 250\n0 0 -3 1 1 100 10\n");
  const Shape* s = load_shape("@rider.shp");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->count, 2);
  EXPECT_FLOAT_EQ(s->radius, 4);
  EXPECT_FLOAT_EQ(s->spheres[0].mu, 0.8f);
  EXPECT_FLOAT_EQ(s->spheres[1].c, 10);
  EXPECT_EQ(s->world, nullptr);
  EXPECT_EQ(load_shape("@rider.shp"), s);
  Shape* copy = copy_shape(s);
  ASSERT_NE(copy->world, nullptr);
  EXPECT_NE(copy->spheres, s->spheres);
  EXPECT_FLOAT_EQ(copy->world[5], -3);
  EXPECT_FLOAT_EQ(copy->radius, 4);
  free_shape(copy);

  struct Case {
    const char* text;
    const char* log;
  };
  const Case cases[] = {
      {"", "no sphere count"},
      {"x", "no sphere count"},
      {"-1", "-1 spheres"},
      {"100000", "100000 spheres"},
      {"2\n0 0 0 1 1 1 1\n0 0 0 1 1 1\n", "sphere 1 of 2"},
      {"1\n0 0 0 -1 1 1 1\n", "negative radius"},
      {"1\n0 0 inf 1 1 1 1\n", "sphere 0"},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string name = put("bad" + std::to_string(n++) + ".shp", c.text);
    EXPECT_EQ(load_shape(name.c_str()), nullptr) << c.text;
    EXPECT_NE(log().find(c.log), std::string::npos) << c.text << "\n" << log();
  }
  EXPECT_EQ(load_shape("@missing.shp"), nullptr);
  // The cache grows past its first 16 entries.
  for (int i = 0; i < 40; i++) put("s" + std::to_string(i) + ".shp", "1 0 0 0 1 1 1 1");
  const Shape* first = load_shape("@s0.shp");
  for (int i = 1; i < 40; i++) ASSERT_NE(load_shape(("@s" + std::to_string(i) + ".shp").c_str()), nullptr);
  EXPECT_EQ(load_shape("@s0.shp"), first);
}

TEST_F(ModelTest, ShapesWrittenAreReadBack) {
  const ShapeSphere spheres[2] = {{0.25f, 1.5f, -2.0f, 0.5f, 0.8f, 2500, 250}, {0, -0.125f, 3, 1, 1.2f, 100, 12.5f}};
  Stream* out = stream_open_memory_writer();
  ASSERT_TRUE(write_shape(out, spheres, 2));
  size_t size = 0;
  const char* bytes = stream_memory_bytes(out, &size);
  Stream* in = stream_open_memory(bytes, size);
  Shape* shape = read_shape(in, "@written.shp");
  data_close(in);
  data_close(out);
  ASSERT_NE(shape, nullptr);
  ASSERT_EQ(shape->count, 2);
  for (int i = 0; i < 2; i++) {
    EXPECT_FLOAT_EQ(shape->spheres[i].x, spheres[i].x);
    EXPECT_FLOAT_EQ(shape->spheres[i].y, spheres[i].y);
    EXPECT_FLOAT_EQ(shape->spheres[i].z, spheres[i].z);
    EXPECT_FLOAT_EQ(shape->spheres[i].r, spheres[i].r);
    EXPECT_FLOAT_EQ(shape->spheres[i].mu, spheres[i].mu);
    EXPECT_FLOAT_EQ(shape->spheres[i].k, spheres[i].k);
    EXPECT_FLOAT_EQ(shape->spheres[i].c, spheres[i].c);
  }
  free_shape(shape);
}

}  // namespace
