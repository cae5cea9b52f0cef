// Image descriptions as the skins write them in "bkimage" and friends.
#include "uiframework/render/ImageDescription.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

struct Parsed {
  ImageDrawSpec drawSpec;
  ImageSource source;
};

Parsed Parse(LPCWSTR text) {
  Parsed p;
  ParseImageDescription(text, p.drawSpec, p.source);
  return p;
}

TEST(RenderImageDescription, BareNameStaysTheImageName) {
  Parsed p = Parse(L"btn/close_nor.png");
  EXPECT_EQ(p.source.name, L"btn/close_nor.png");
  EXPECT_TRUE(p.source.type.IsEmpty());
  EXPECT_EQ(p.drawSpec.fade, 255);
  EXPECT_EQ(p.drawSpec.corners, RECT{});
}

TEST(RenderImageDescription, PairsSetEveryField) {
  Parsed p = Parse(
      L"file='bkimage/bk.png' dest='1,2,3,4' source='0,0,20,20' corner='10,9,8,7' mask='#FFFF00FF' fade='128' "
      L"hole='true' xtiled='true' ytiled='false' hsl='true'");
  EXPECT_EQ(p.source.name, L"bkimage/bk.png");
  EXPECT_EQ(p.drawSpec.dest, (RECT{1, 2, 3, 4}));
  EXPECT_EQ(p.drawSpec.source, (RECT{0, 0, 20, 20}));
  EXPECT_EQ(p.drawSpec.corners, (RECT{10, 9, 8, 7}));
  EXPECT_EQ(p.source.mask, 0xFFFF00FFu);
  EXPECT_EQ(p.drawSpec.fade, 128);
  EXPECT_TRUE(p.drawSpec.hole);
  EXPECT_TRUE(p.drawSpec.xTiled);
  EXPECT_FALSE(p.drawSpec.yTiled);
  EXPECT_TRUE(p.source.useHsl);
}

TEST(RenderImageDescription, ResourceAndColourSources) {
  Parsed res = Parse(L"res='102' restype='PNG'");
  EXPECT_EQ(res.source.name, L"102");
  EXPECT_EQ(res.source.type, L"PNG");
  // A colour is named with its "#", so that digits never read as a
  // resource id.
  Parsed color = Parse(L"color='80FF0000'");
  EXPECT_EQ(color.source.name, L"#80FF0000");
  EXPECT_EQ(color.source.type, kColorImageType);
}

TEST(RenderImageDescription, MalformedPairsStopTheParse) {
  // Double quotes end the parse at that key; earlier keys apply, and with
  // no "file" the name is the whole description.
  Parsed quoted = Parse(L"corner='1,1,1,1' file=\"a.png\" fade='10'");
  EXPECT_EQ(quoted.drawSpec.corners, (RECT{1, 1, 1, 1}));
  EXPECT_EQ(quoted.drawSpec.fade, 255);
  EXPECT_EQ(quoted.source.name, L"corner='1,1,1,1' file=\"a.png\" fade='10'");

  // No space after a closing quote ends it too.
  Parsed glued = Parse(L"file='a.png'fade='10'");
  EXPECT_EQ(glued.source.name, L"a.png");
  EXPECT_EQ(glued.drawSpec.fade, 255);

  // An unterminated value applies nothing.
  Parsed open = Parse(L"file='a.png");
  EXPECT_EQ(open.source.name, L"file='a.png");
}

TEST(RenderImageDescription, EmptyUnknownAndOutOfRangeValues) {
  Parsed p = Parse(L"file='' other='x' file='b.png' fade='999' source='5,,7' scale9='3,3,3,3' hole='TRUE'");
  EXPECT_EQ(p.drawSpec.corners, (RECT{3, 3, 3, 3}));
  EXPECT_FALSE(p.drawSpec.hole);
  EXPECT_EQ(p.source.name, L"b.png");
  EXPECT_EQ(p.drawSpec.fade, 255);
  EXPECT_EQ(p.drawSpec.source, (RECT{5, 0, 7, 0}));
  EXPECT_EQ(Parse(L"file='a' fade='-5'").drawSpec.fade, 0);
}

}  // namespace
