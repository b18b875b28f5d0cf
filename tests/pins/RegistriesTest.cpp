#include <gtest/gtest.h>

#include "pins/PNPinsRegistries.h"

namespace {

using namespace pins;
using platform::TGUID;

constexpr TGUID A = TGUID::Parse("{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
constexpr TGUID B = TGUID::Parse("{0a1b2c3d-0405-0607-0809-0a0b0c0d0e0f}");
constexpr TGUID C = TGUID::Parse("{FFFFFFFF-0000-FFFF-00FF-FF00FF00FF00}");

// Two distinct class references.
constexpr platform::TClassInfo ConverterX("TConverterX", nullptr, nullptr);
constexpr platform::TClassInfo ConverterY("TConverterY", nullptr, nullptr);

struct Registries : ::testing::Test {
  void SetUp() override { ClearRegistries(); }
  void TearDown() override { ClearRegistries(); }
};

TEST_F(Registries, GUIDTextIsUpperCaseRegistryForm) {
  EXPECT_EQ(GUIDText(A), "{4CC4ADE6-E5AE-4E27-A9E7-42C14E062F41}");
  EXPECT_EQ(GUIDText(B), "{0A1B2C3D-0405-0607-0809-0A0B0C0D0E0F}");
  EXPECT_EQ(GUIDText(TGUID{}), "{00000000-0000-0000-0000-000000000000}");
}

TEST_F(Registries, StreamTypeNames) {
  RegisterStreamTypeSendFunction(C, nullptr);  // known, but without a name
  RegisterStreamTypeName(A, "Real");
  struct Case {
    TGUID id;
    const char* name;
  } cases[] = {
      {TGUID{}, "NIL ID"},
      {A, "Real"},
      {B, "{0A1B2C3D-0405-0607-0809-0A0B0C0D0E0F}"},
      {C, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StreamTypeName(c.id), c.name) << GUIDText(c.id);
}

TEST_F(Registries, StreamTypeFieldsAccumulate) {
  // Any distinct function address serves: the registry only stores it.
  auto send = reinterpret_cast<TPNGlobalSubmit>(reinterpret_cast<void (*)()>(&GUIDText));
  RegisterStreamTypeColor(A, "Audio", 0x0000FF, 2.5f);
  RegisterStreamTypeName(A, "Audio buffer");  // keeps the colour
  RegisterStreamTypeName(B, "Int");
  RegisterStreamTypeSendFunction(B, send);  // keeps the name
  EXPECT_EQ(FindOrAddStreamType(A), 0);
  EXPECT_EQ(FindOrAddStreamType(B), 1);
  ASSERT_EQ(StreamTypes().size(), 2u);
  const auto& a = StreamTypes()[0];
  EXPECT_EQ(a.Name, "Audio buffer");
  EXPECT_TRUE(a.HasColor);
  EXPECT_EQ(a.Color, 0x0000FF);
  EXPECT_EQ(a.Thickness, 2.5f);
  EXPECT_EQ(a.SendFunction, nullptr);
  const auto& b = StreamTypes()[1];
  EXPECT_EQ(b.Name, "Int");
  EXPECT_FALSE(b.HasColor);
  EXPECT_EQ(b.SendFunction, send);
  EXPECT_EQ(FindOrAddStreamType(C), 2);  // appended empty
  EXPECT_EQ(StreamTypes()[2].Name, "");
}

TEST_F(Registries, ConverterReRegistrationKeepsItsPosition) {
  RegisterTypeConverter(A, B, &ConverterX);
  RegisterTypeConverter(B, C, &ConverterX);
  RegisterTypeConverter(A, B, &ConverterY);
  ASSERT_EQ(TypeConverters().size(), 2u);
  EXPECT_EQ(IndexOfTypeConverter(A, B), 0);
  EXPECT_EQ(TypeConverters()[0].ConverterClass, &ConverterY);
  EXPECT_EQ(IndexOfTypeConverter(B, C), 1);
  EXPECT_EQ(IndexOfTypeConverter(B, A), -1);  // pairs are ordered
  EXPECT_EQ(FindTypeConverter(B, A), nullptr);
  EXPECT_EQ(FindTypeConverter(B, C), &ConverterX);
}

}  // namespace
