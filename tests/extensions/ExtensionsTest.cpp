// The extension loader against fake lookups: order, completeness and the first-missing failure.
#include "Extensions.h"
#include "kem/Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> asked;
std::string missing;

void* fakeLookup(const char* name) {
    asked.push_back(name);
    if (missing == name)
        return nullptr;
    return reinterpret_cast<void*>(0x1000 + asked.size());
}

std::string loadWithMissing(const std::string& name) {
    asked.clear();
    missing = name;
    try {
        Extensions::load(fakeLookup);
    } catch (const Kem::Exception& e) {
        return e.getMessage().getData();
    }
    return "";
}

} // namespace

TEST(Extensions, LoadsAllFortyTwoInOrderThenTheOptionalOnes) {
    EXPECT_EQ(loadWithMissing(""), "");
    ASSERT_EQ(asked.size(), 48u);
    EXPECT_EQ(asked.front(), "glTexImage3D");
    EXPECT_EQ(asked[15], "glActiveTexture");
    EXPECT_EQ(asked[41], "glClientActiveTexture");
    EXPECT_EQ(asked[42], "glGenQueries");
    EXPECT_EQ(asked.back(), "glGetQueryObjectui64v");
    EXPECT_NE(reinterpret_cast<void*>(glUseProgram), nullptr);
    EXPECT_TRUE(Extensions::hasTimerQueries());
}

TEST(Extensions, AMissingOptionalOneLoadsOnWithoutTimerQueries) {
    for (const char* name : {"glGenQueries", "glEndQuery", "glGetQueryObjectui64v"}) {
        EXPECT_EQ(loadWithMissing(name), "") << name;
        EXPECT_EQ(asked.size(), 48u) << name;
        EXPECT_FALSE(Extensions::hasTimerQueries()) << name;
        EXPECT_NE(reinterpret_cast<void*>(glClientActiveTexture), nullptr) << name;
    }
    // A later load that finds them all again reports them again.
    EXPECT_EQ(loadWithMissing(""), "");
    EXPECT_TRUE(Extensions::hasTimerQueries());
}

TEST(Extensions, FirstMissingStopsWithItsName) {
    EXPECT_EQ(loadWithMissing("glTexImage3D"), "Could not load extension procedure: glTexImage3D");
    EXPECT_EQ(asked.size(), 1u);

    EXPECT_EQ(loadWithMissing("glClientActiveTexture"),
              "Could not load extension procedure: glClientActiveTexture");
    EXPECT_EQ(asked.size(), 42u);
    EXPECT_NE(reinterpret_cast<void*>(glBufferData), nullptr) << "the 41 before stay stored";
}
