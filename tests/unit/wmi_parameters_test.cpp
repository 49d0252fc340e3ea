// The WMI parameter objects and their stream format, byte for byte.
#include "wmi/wmi_parameters.h"

#include <gtest/gtest.h>

#include <cstring>

#include "wmi/variant_codec.h"

namespace presetra {
namespace {

using platform::Variant;
using Bytes = std::vector<std::uint8_t>;

Bytes Store(CObject& object) {
  CArchive archive = CArchive::ForStoring();
  EXPECT_TRUE(object.Serialize(archive)) << archive.ErrorMessage();
  return archive.Bytes();
}

Variant Scalar(std::uint16_t vt, std::int64_t integer, double real = 0) {
  Variant v;
  v.vt = vt;
  v.integer = integer;
  v.real = real;
  return v;
}

Variant Array(std::uint16_t elementType, std::int32_t lower, std::vector<Variant> elements) {
  Variant v;
  v.vt = win::kVtArray | elementType;
  v.array = std::make_shared<platform::SafeArray>();
  v.array->elementType = elementType;
  v.array->bounds.push_back({lower, static_cast<std::uint32_t>(elements.size())});
  v.array->elements = std::move(elements);
  return v;
}

void ExpectSameVariant(const Variant& a, const Variant& b) {
  EXPECT_EQ(a.vt, b.vt);
  EXPECT_EQ(a.integer, b.integer);
  EXPECT_EQ(std::memcmp(&a.real, &b.real, sizeof(double)), 0);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(a.array != nullptr, b.array != nullptr);
  if (a.array && b.array) {
    EXPECT_EQ(a.array->elementType, b.array->elementType);
    ASSERT_EQ(a.array->elements.size(), b.array->elements.size());
    for (std::size_t i = 0; i < a.array->elements.size(); ++i) {
      ExpectSameVariant(a.array->elements[i], b.array->elements[i]);
    }
  }
  EXPECT_EQ(a.object != nullptr, b.object != nullptr);
  if (a.object && b.object) {
    EXPECT_EQ(*a.object, *b.object);
  }
}

TEST(WmiPropertyMapStreamTest, EdgeCasesAreExactBytes) {
  struct Case {
    const char* name;
    std::vector<std::pair<WString, Variant>> entries;
    Bytes prefix;  // the stream starts with these bytes
    std::size_t size;
  } cases[] = {
      {"empty map", {}, {0x00, 0x00}, 2},
      {"300-unit key",
       {{WString(300, u'k'), Variant()}},
       {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01, 'k', 0x00},
       2 + 6 + 600 + 2},
      {"short key and an I4",
       {{u"Enable", Variant::I4(65535)}},
       {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0x06, 'E',  0,    'n',  0,    'a',  0,
        'b',  0,    'l',  0,    'e',  0,    0x03, 0x00, 0xFF, 0xFF, 0x00, 0x00},
       24},
      {"string array 1..3",
       {{u"A", Array(win::kVtBstr, 1,
                     {Variant::Bstr(u"x"), Variant::Bstr(std::nullopt), Variant::Bstr(u"")})}},
       {0x01, 0x00, 0xFF, 0xFE, 0xFF, 0x01, 'A', 0x00, 0x08, 0x20, 1, 0, 0, 0, 3, 0,
        0,    0,    2,    0,    0,    0,    'x', 0,    0,    0,    0, 0, 0, 0, 0, 0},
       32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    CWMIPropertyMap map;
    for (const auto& [key, value] : c.entries) map.SetAt(key, value);
    Bytes bytes = Store(map);
    EXPECT_EQ(bytes.size(), c.size) << c.name;
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + std::min(bytes.size(), c.prefix.size())),
              c.prefix)
        << c.name;
  }
}

TEST(WmiPropertyMapStreamTest, ALargeCountTakesFourMoreBytes) {
  CWMIPropertyMap map;
  for (int i = 0; i < 65535; ++i) map.SetAt(Utf8ToUtf16(std::to_string(i)), Variant());
  Bytes bytes = Store(map);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
  CWMIPropertyMap back;
  CArchive load = CArchive::ForLoading(bytes);
  ASSERT_TRUE(back.Serialize(load)) << load.ErrorMessage();
  EXPECT_EQ(back.GetCount(), 65535u);
}

TEST(WmiPropertyMapStreamTest, ArraysComeBackFromLowerBoundZero) {
  CWMIPropertyMap map;
  map.SetAt(u"Strings",
            Array(win::kVtBstr, 1,
                  {Variant::Bstr(u"a"), Variant::Bstr(u""), Variant::Bstr(std::nullopt)}));
  map.SetAt(u"Wide",
            Array(win::kVtI8, -5,
                  {Scalar(win::kVtI8, INT64_MIN), Scalar(win::kVtI8, 0x0123456789ABCDEF)}));
  map.SetAt(u"Variants", Array(win::kVtVariant, 0, {Variant::I4(1), Variant::Bstr(u"x")}));
  map.SetAt(u"Empty", Array(win::kVtI4, 7, {}));
  CWMIPropertyMap back;
  CArchive load = CArchive::ForLoading(Store(map));
  ASSERT_TRUE(back.Serialize(load)) << load.ErrorMessage();
  const Variant* strings = back.Lookup(u"Strings");
  ASSERT_NE(strings, nullptr);
  EXPECT_EQ(strings->array->bounds[0], (platform::SafeArrayBound{0, 3}));
  EXPECT_EQ(strings->array->elements[0].text, u"a");
  // Empty and null strings are both length 0 and come back null.
  EXPECT_EQ(strings->array->elements[1].text, std::nullopt);
  EXPECT_EQ(strings->array->elements[2].text, std::nullopt);
  const Variant* wide = back.Lookup(u"Wide");
  EXPECT_EQ(wide->array->elements[0].integer, INT64_MIN);
  EXPECT_EQ(wide->array->elements[1].integer, 0x0123456789ABCDEF);
  const Variant* variants = back.Lookup(u"Variants");
  ASSERT_EQ(variants->array->elements.size(), 2u);
  EXPECT_EQ(variants->array->elements[0].vt, win::kVtEmpty);
  EXPECT_EQ(variants->array->elements[1].vt, win::kVtEmpty);
  EXPECT_EQ(back.Lookup(u"Empty")->array->elements.size(), 0u);
}

TEST(WmiParametersStreamTest, EveryTypeRoundTrips) {
  platform::ObjectValue object{{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}}, {9, 8, 7}};
  const std::vector<Variant> scalars = {
      Variant(),
      Variant::Null(),
      Scalar(win::kVtI2, -2),
      Scalar(win::kVtI4, -4),
      Scalar(win::kVtR4, 0, 1.5),
      Scalar(win::kVtR8, 0, -2.25e300),
      Scalar(win::kVtCy, -123456789012),
      Scalar(win::kVtDate, 0, 45000.5),
      Variant::Bstr(u"text \u00e9\U0001F600"),
      Scalar(win::kVtError, static_cast<std::int32_t>(0x80041002)),
      Scalar(win::kVtBool, -1),
      Scalar(win::kVtI1, -1),
      Scalar(win::kVtUi1, 255),
      Scalar(win::kVtUi2, 65535),
      Scalar(win::kVtUi4, 4294967295),
      Scalar(win::kVtI8, INT64_MAX),
      Scalar(win::kVtUi8, -1)};
  for (const auto& scalar : scalars) {
    CWMIParameters parameters;
    parameters.values[2] = scalar;
    parameters.values[4].vt = win::kVtUnknown;
    parameters.values[4].object = std::make_shared<platform::ObjectValue>(object);
    parameters.integer = -7;
    parameters.firstMap.SetAt(u"scalar", scalar);
    parameters.secondMap.SetAt(
        u"array", Array(scalar.vt == win::kVtEmpty ? win::kVtI4 : scalar.vt, 3, {scalar, scalar}));
    if (scalar.vt == win::kVtEmpty || scalar.vt == win::kVtNull) parameters.secondMap.RemoveAll();
    CWMIParameters back;
    CArchive load = CArchive::ForLoading(Store(parameters));
    ASSERT_TRUE(back.Serialize(load)) << load.ErrorMessage() << " vt " << scalar.vt;
    EXPECT_EQ(load.Remaining(), 0u);
    for (std::size_t i = 0; i < 5; ++i) ExpectSameVariant(back.values[i], parameters.values[i]);
    EXPECT_EQ(back.integer, -7);
    ExpectSameVariant(*back.firstMap.Lookup(u"scalar"), scalar);
    if (parameters.secondMap.GetCount() != 0) {
      auto expected = parameters.secondMap.Lookup(u"array");
      auto actual = back.secondMap.Lookup(u"array");
      ASSERT_NE(actual, nullptr);
      ExpectSameVariant(*actual, *expected);
    }
  }
}

TEST(WmiParametersStreamTest, RefusesWhatWouldNotReadBack) {
  Variant byReference = Variant::I4(1);
  byReference.vt |= win::kVtByRef;
  Variant twoDimensions = Array(win::kVtI4, 0, {Variant::I4(1)});
  twoDimensions.array->bounds.push_back({0, 1});
  Variant object;
  object.vt = win::kVtDispatch;
  struct Case {
    const char* name;
    Variant value;
    bool inMap;
  } cases[] = {
      {"reference in a map", byReference, true},
      {"two dimensions in a map", twoDimensions, true},
      {"object in a map", object, true},
      {"array in a value field", Array(win::kVtI4, 0, {}), false},
      {"reference in a value field", byReference, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    CWMIParameters parameters;
    if (c.inMap) {
      parameters.firstMap.SetAt(u"k", c.value);
    } else {
      parameters.values[0] = c.value;
    }
    CArchive archive = CArchive::ForStoring();
    EXPECT_FALSE(parameters.Serialize(archive)) << c.name;
    EXPECT_EQ(archive.error(), CArchive::Error::kUnsupported) << c.name;
  }
}

TEST(WmiParametersStreamTest, ReportsWhereAStreamGoesWrong) {
  struct Case {
    const char* name;
    Bytes bytes;
    CArchive::Error error;
    std::size_t offset;
  } cases[] = {
      {"ends inside the integer", Bytes(10, 0), CArchive::Error::kEndOfFile, 10},
      {"a string longer than the stream",
       {0x08, 0x00, 0xF0, 0xFF, 0xFF, 0x7F},
       CArchive::Error::kEndOfFile,
       6},
      {"odd string length", {0x08, 0x00, 0x03, 0, 0, 0, 1, 2, 3}, CArchive::Error::kBadData, 6},
      {"upper bound below lower bound",
       {0,    0,    0,    0, 0,   0, 0,    0,    0, 0, 0, 0, 0, 0, 1, 0,
        0xFF, 0xFE, 0xFF, 1, 'k', 0, 0x03, 0x20, 5, 0, 0, 0, 2, 0, 0, 0},
       CArchive::Error::kBadData,
       32},
      {"more elements than bytes",
       {0,    0,    0,    0, 0,   0, 0,    0,    0, 0, 0, 0, 0,    0,    1,    0,
        0xFF, 0xFE, 0xFF, 1, 'k', 0, 0x03, 0x20, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F},
       CArchive::Error::kEndOfFile,
       32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    CWMIParameters parameters;
    CArchive load = CArchive::ForLoading(c.bytes);
    EXPECT_FALSE(parameters.Serialize(load)) << c.name;
    EXPECT_EQ(load.error(), c.error) << c.name << ": " << load.ErrorMessage();
    EXPECT_EQ(load.errorOffset(), c.offset) << c.name << ": " << load.ErrorMessage();
  }
}

TEST(WmiParametersStreamTest, AnEarlyEndKeepsWhatWasRead) {
  CWMIPropertyMap map;
  map.SetAt(u"first", Variant::I4(1));
  map.SetAt(u"second", Variant::Bstr(u"long text"));
  Bytes bytes = Store(map);
  bytes.resize(bytes.size() - 3);
  CWMIPropertyMap back;
  back.SetAt(u"kept", Variant::I4(9));
  CArchive load = CArchive::ForLoading(bytes);
  EXPECT_FALSE(back.Serialize(load));
  EXPECT_EQ(load.error(), CArchive::Error::kEndOfFile);
  EXPECT_EQ(back.Lookup(u"first")->integer, 1);
  EXPECT_EQ(back.Lookup(u"kept")->integer, 9) << "the map is not emptied before reading";
}

TEST(WmiParametersStreamTest, ReadsSingleByteKeysAndRefusesTheWrongDirection) {
  // A key written without the Unicode marker: length 2, "\x80" and "A" in Windows-1252.
  Bytes bytes = {0x01, 0x00, 0x02, 0x80, 'A', 0x03, 0x00, 7, 0, 0, 0};
  CWMIPropertyMap map;
  CArchive load = CArchive::ForLoading(bytes);
  ASSERT_TRUE(map.Serialize(load)) << load.ErrorMessage();
  EXPECT_EQ(map.Entries()[0].first, u"\u20ACA");
  EXPECT_EQ(map.Entries()[0].second.integer, 7);

  EXPECT_FALSE(load.Write("x", 1));
  EXPECT_EQ(load.error(), CArchive::Error::kReadOnly);
  CArchive store = CArchive::ForStoring();
  std::uint8_t byte;
  EXPECT_FALSE(store.Read(&byte, 1, "a byte"));
  EXPECT_EQ(store.error(), CArchive::Error::kWriteOnly);
}

TEST(WmiParametersStreamTest, ClassesAreCreatedByName) {
  auto object = CreateObject("CWMIParameters");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetRuntimeClass()->schema, 1u);
  EXPECT_EQ(FindRuntimeClass("CWMIClient")->schema, 0u);
  EXPECT_EQ(CreateObject("CWMIClient"), nullptr) << "a client needs its machine";
  EXPECT_EQ(CreateObject("CNothing"), nullptr);
}

}  // namespace
}  // namespace presetra
