#include "tests/wallpaper/wallpaper_test_support.h"

#include <cstring>

namespace wallpaper_test {

desktop::Outcome RecordingSetter::Apply(const std::string& file, const desktop::PixelView& view,
                                        desktop::Placement placement) {
    Applied call{file, placement, view.width, view.height, {}};
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            std::uint32_t value;
            std::memcpy(&value, view.Row(y) + 4 * x, 4);
            call.pixels.push_back(value);
        }
    if (fake_.duringApply)
        fake_.duringApply();
    std::lock_guard lock(fake_.mutex);
    fake_.applied.push_back(std::move(call));
    return {fake_.accept, fake_.accept ? "shown" : "refused"};
}

wallpaper::JobServices RecordingServices(FakeDesktop& fake, std::vector<std::string>* laterPapers) {
    return {
        .makeSetter = [&fake](int method) -> std::unique_ptr<desktop::WallpaperSetter> {
            const int now = ++fake.running;
            int most = fake.mostAtOnce.load();
            while (now > most && !fake.mostAtOnce.compare_exchange_weak(most, now)) {
            }
            std::lock_guard lock(fake.mutex);
            fake.methods.push_back(method);
            return std::make_unique<RecordingSetter>(fake);
        },
        .recordLaterPaper =
            [&fake, laterPapers](const std::string& path) {
                if (laterPapers) {
                    std::lock_guard lock(fake.mutex);
                    laterPapers->push_back(path);
                }
                --fake.running;
            },
        .showMessage = nullptr,
    };
}

}  // namespace wallpaper_test
