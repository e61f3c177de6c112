// Object files that must survive the editor's write and the loader's read
// unchanged, and loader details around them.
#include "track/track.h"

#include "../terrain/track_fixture.h"
#include "files/stream.h"

namespace {

class TrackReview : public TrackFolderTest {
 protected:
  Track track;

  void SetUp() override {
    TrackFolderTest::SetUp();
    track_create_empty(&track, "tracks/t", FIXTURE_EXPONENT, 2.0f);
  }
  void TearDown() override {
    track_deallocate(&track);
    TrackFolderTest::TearDown();
  }

  void read_billboards_text(Track* into, const std::string& text) {
    Stream* stream = stream_open_memory(text.data(), text.size());
    read_billboards(into, stream);
    data_close(stream);
  }
};

// Billboards have no "null" word: a white one without a texture must be
// written in a form that reads back without a texture.
TEST_F(TrackReview, BillboardsWithoutTextureReadBackWithout) {
  read_billboards_text(&track,
                       "[ 1 0 1 ] 1 1 #ffffff#\n"
                       "[ 2 0 2 ] 1 1 #00ff00#\n"
                       "[ 3 0 3 ] 1 1 tree.png\n");
  ASSERT_EQ(track.billboards.count, 3);
  ASSERT_EQ(array_at<Billboard>(&track.billboards, 0)->texture, nullptr);
  ASSERT_TRUE(write_billboards("@tracks/out", array_at<Billboard>(&track.billboards, 0), 3));

  Track back;
  track_create_empty(&back, "tracks/out", FIXTURE_EXPONENT, 2.0f);
  Stream* stream = data_open("@tracks/out/billboards", "rb");
  ASSERT_NE(stream, nullptr);
  read_billboards(&back, stream);
  data_close(stream);
  ASSERT_EQ(back.billboards.count, 3);
  struct Case {
    const char* texture;
    uint8_t green, blue;
  };
  const Case cases[] = {{nullptr, 255, 255}, {nullptr, 255, 0}, {"tree.png", 255, 255}};
  for (int k = 0; k < 3; k++) {
    SCOPED_TRACE(k);
    const Billboard* b = array_at<Billboard>(&back.billboards, k);
    if (cases[k].texture)
      EXPECT_STREQ(b->texture, cases[k].texture);
    else
      EXPECT_EQ(b->texture, nullptr) << b->texture;
    EXPECT_EQ(b->colour[1], cases[k].green);
    EXPECT_EQ(b->colour[2], cases[k].blue);
  }
  track_deallocate(&back);
}

}  // namespace
