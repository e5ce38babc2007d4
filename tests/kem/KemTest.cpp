// String, List, Exception and File::readAll: bounds, sharing, growth and file edge cases.
#include "File.h"
#include "kem/Exception.h"
#include "kem/List.h"
#include "kem/String.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

using Kem::Exception;
using Kem::List;
using Kem::String;

namespace {

std::string messageOf(const Exception& e) { return e.getMessage().getData(); }

template <typename F> std::string thrownMessage(F f) {
    try {
        f();
    } catch (const Exception& e) {
        return messageOf(e);
    }
    return "(nothing thrown)";
}

std::string writeTemporary(const std::string& name, const std::string& bytes) {
    std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

TEST(String, IndexingChecksNullAndBoundsIncludingTerminator) {
    String null;
    EXPECT_EQ(thrownMessage([&] { (void)null[0]; }), "Cannot index empty string");
    String empty("");
    EXPECT_EQ(empty[0], '\0');
    String abc("abc");
    EXPECT_EQ(abc[2], 'c');
    EXPECT_EQ(abc[3], '\0');
    EXPECT_EQ(thrownMessage([&] { (void)abc[4]; }), "Index out of bounds");
    EXPECT_EQ(thrownMessage([&] { (void)abc[-1]; }), "Index out of bounds");
}

TEST(String, LengthsOfNullEmptyAndText) {
    EXPECT_EQ(String("Data/").getLength(), 5);
    EXPECT_EQ(String().getLength(), 0);
    EXPECT_EQ(String("").getLength(), 0);
    EXPECT_EQ(String().getData(), nullptr);
    EXPECT_NE(String("").getData(), nullptr);
}

TEST(String, ConcatenationSharesWhenRightSideIsEmpty) {
    String abc("abc");
    String joined = abc + String("");
    EXPECT_TRUE(joined.sharesStorageWith(abc));
    EXPECT_EQ(abc.getShareCount(), 2);
    String fromNull = String() + abc;
    EXPECT_FALSE(fromNull.sharesStorageWith(abc));
    EXPECT_STREQ(fromNull.getData(), "abc");
    EXPECT_EQ((String() + String()).getData(), nullptr);
    EXPECT_STREQ((String("Data/") + "x" + String(".vert")).getData(), "Data/x.vert");
    EXPECT_STREQ(("_" + String("Camera X")).getData(), "_Camera X");
}

TEST(String, CopiesAndAssignmentShareAndReleaseStorage) {
    String a("text");
    {
        String b = a;
        String c;
        c = b;
        c = c;
        EXPECT_EQ(a.getShareCount(), 3);
    }
    EXPECT_EQ(a.getShareCount(), 1);
    a = String("other");
    EXPECT_STREQ(a.getData(), "other");
}

TEST(List, GrowsInStepsOfEightAndChecksBounds) {
    List<int> list;
    EXPECT_EQ(list.getCapacity(), 0);
    for (int i = 1; i <= 17; ++i) {
        list.add(i * 10);
        int expected = i <= 8 ? 8 : (i <= 16 ? 16 : 24);
        EXPECT_EQ(list.getCapacity(), expected) << "after adding element " << i;
    }
    EXPECT_EQ(list.getCount(), 17);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(list[i], (i + 1) * 10) << "growth must keep the old slots";
    EXPECT_EQ(thrownMessage([&] { (void)list[17]; }), "Index out of bounds");
    EXPECT_EQ(thrownMessage([&] { (void)list[-1]; }), "Index out of bounds");
}

TEST(List, LastElementOfSixAndPointerElementsAreNotOwned) {
    int objects[6] = {};
    List<int*> list;
    for (int& object : objects)
        list.add(&object);
    EXPECT_EQ(list[5], &objects[5]);
    EXPECT_EQ(thrownMessage([&] { (void)list[6]; }), "Index out of bounds");
}

TEST(Exception, CopyOutlivesOriginal) {
    Exception* original = new Exception("boom", "src/Test", 7);
    Exception copy(*original);
    delete original;
    EXPECT_EQ(messageOf(copy), "boom");
    EXPECT_EQ(copy.getLine(), 7);
    EXPECT_STREQ(copy.getFile().getData(), "src/Test");
}

TEST(File, MissingFileMessageQuotesThePath) {
    EXPECT_EQ(thrownMessage([] { File::readAll("Data/x.vert"); }),
              "Could not open input file: \"Data/x.vert\"");
}

TEST(File, EmptyFileAndNulByteAndBytesAsStored) {
    String empty = File::readAll(writeTemporary("empty.txt", "").c_str());
    EXPECT_EQ(empty.getLength(), 0);
    EXPECT_NE(empty.getData(), nullptr);

    String cut = File::readAll(writeTemporary("nul.txt", std::string("ab\0cd", 5)).c_str());
    EXPECT_STREQ(cut.getData(), "ab");

    String crlf = File::readAll(writeTemporary("crlf.txt", "a\r\nb\n").c_str());
    EXPECT_STREQ(crlf.getData(), "a\r\nb\n");
}
