#pragma once
// Pixel-for-pixel comparison of a drawn image with a PNG in
// tests/pictures/golden/; SONGLOOM_UPDATE_GOLDEN=1 rewrites the PNG.

#include <QImage>
#include <string>

namespace songloom::test {

// Empty when equal; otherwise what differs (size or the first pixel).
std::string CompareWithGolden(const QImage& image, const std::string& name);

}  // namespace songloom::test
