// The generator must give the same bytes every time, and the files the build wrote must be
// exactly what the sources produce now (what each image should look like is checked against its
// definition elsewhere: CardTest, SkyLayoutTest, RockTest, BarsTest).
#include "Generator.h"
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::vector<unsigned char>> encodeAll(const ContentFile& source) {
    std::vector<std::vector<unsigned char>> files;
    for (const NamedImage& named : generateImages(source)) {
        files.push_back(encodeForPath(named.image, named.fileName, named.jpegQuality));
    }
    return files;
}

void expectReproducible(const std::string& sourceName) {
    ContentFile source = loadContentSource(sourceName);
    auto first = encodeAll(source);
    auto second = encodeAll(source);
    ASSERT_EQ(first.size(), second.size());
    std::vector<NamedImage> named = generateImages(source);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i], second[i]) << sourceName << " output " << i << " differs between runs";
        EXPECT_EQ(first[i], readFileBytes(builtImagePath(named[i].fileName)))
            << named[i].fileName << " in Data/ is not what its source gives";
    }
}

} // namespace

TEST(Reproducibility, CardIsByteIdenticalAndMatchesTheBuiltFile) {
    expectReproducible("w0lvar.txt");
}

TEST(Reproducibility, CrossSkyIsByteIdenticalAndMatchesTheBuiltFile) {
    expectReproducible("blurry.txt");
}

TEST(Reproducibility, RockPairIsByteIdenticalAndMatchesTheBuiltFiles) {
    expectReproducible("rock.txt");
}

TEST(Reproducibility, BokehAndBarsAreByteIdenticalAndMatchTheBuiltFiles) {
    expectReproducible("bokehfuckyou.txt");
    expectReproducible("kusmasuger.txt");
}

TEST(Reproducibility, BuiltFilesNameTheToolThatMadeThem) {
    const std::string mark = "oxbrine-imagegen";
    for (const char* name : {"end.png", "rockn.png", "skyboxlol.jpg", "bokehfuckyou.jpg"}) {
        std::vector<unsigned char> bytes = readFileBytes(builtImagePath(name));
        std::string text(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 256));
        EXPECT_NE(text.find(mark), std::string::npos) << name;
    }
}
