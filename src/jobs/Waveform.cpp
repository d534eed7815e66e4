#include "Waveform.h"

#include <algorithm>

#include "AudioFile.h"

void computePeaks(const std::string& path, int columns,
                  const std::function<void(int firstColumn, const std::vector<Peak>& peaks)>& ready,
                  const std::function<bool()>& stop) {
    AudioFile file;
    file.openForRead(path);
    if (file.errorCode() != 0 || columns <= 0 || file.totalFrames() == 0)
        return;
    const int64_t total = file.totalFrames();
    const int channels = file.channels();
    const int batch = std::max(1, columns / 20);
    std::vector<Peak> pending;
    int first = 0;
    int64_t frame = 0;
    try {
        for (int column = 0; column < columns && !stop(); ++column) {
            const int64_t end = total * (column + 1) / columns;
            Peak peak;
            while (frame < end) {
                const AudioBlock block = file.readBlock(static_cast<int>(std::min<int64_t>(end - frame, 65536)));
                if (block.empty()) {
                    frame = end;
                    break;
                }
                const auto [low, high] = std::minmax_element(block.samples.begin(), block.samples.end());
                peak.low = std::min(peak.low, *low);
                peak.high = std::max(peak.high, *high);
                frame += block.samples.size() / static_cast<size_t>(channels);
            }
            pending.push_back(peak);
            if (static_cast<int>(pending.size()) == batch || column + 1 == columns) {
                ready(first, pending);
                first = column + 1;
                pending.clear();
            }
        }
    } catch (const EngineError&) {
        // A file that breaks off while being read shows what was read.
    }
}
