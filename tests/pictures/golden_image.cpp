#include "golden_image.h"

#include <QString>
#include <cstdlib>
#include <string>

#include "support/test_paths.h"

namespace songloom::test {

std::string CompareWithGolden(const QImage& image, const std::string& name) {
    const std::string path = SourceDir() + "/tests/pictures/golden/" + name + ".png";
    const QString file = QString::fromStdString(path);
    const QImage drawn = image.convertToFormat(QImage::Format_RGB32);
    const char* update = std::getenv("SONGLOOM_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        if (!drawn.save(file, "PNG")) return "cannot write " + path;
        return {};
    }
    QImage golden;
    if (!golden.load(file, "PNG")) return "no golden image " + path + " (run with SONGLOOM_UPDATE_GOLDEN=1)";
    golden = golden.convertToFormat(QImage::Format_RGB32);
    if (golden.size() != drawn.size()) {
        return name + ": size " + std::to_string(drawn.width()) + "x" + std::to_string(drawn.height()) +
               " differs from the golden " + std::to_string(golden.width()) + "x" + std::to_string(golden.height());
    }
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (drawn.pixel(x, y) != golden.pixel(x, y)) {
                drawn.save(QString::fromStdString(path + ".actual.png"), "PNG");
                return name + ": first difference at (" + std::to_string(x) + ", " + std::to_string(y) +
                       "); the drawing is saved beside the golden image as .actual.png";
            }
        }
    }
    return {};
}

}  // namespace songloom::test
