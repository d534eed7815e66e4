#include "Waveform.h"

#include <algorithm>

#include "AudioFile.h"

void ComputePeaks(const std::string& path, int columns,
                  const std::function<void(int firstColumn, const std::vector<TPeak>& peaks)>& ready,
                  const std::function<bool()>& stop) {
    TAudioFile2 file;
    file.OpenForRead(path);
    if (file.GetErrorCode() != 0 || columns <= 0 || file.GetTotalSamples() == 0)
        return;
    const int64_t total = file.GetTotalSamples();
    const int channels = file.GetChannels();
    const int batch = std::max(1, columns / 20);
    std::vector<TPeak> pending;
    int first = 0;
    int64_t frame = 0;
    try {
        for (int column = 0; column < columns && !stop(); ++column) {
            const int64_t end = total * (column + 1) / columns;
            TPeak peak;
            while (frame < end) {
                const TAudioBlock block = file.ReadBlock(static_cast<int>(std::min<int64_t>(end - frame, 65536)));
                if (block.Empty()) {
                    frame = end;
                    break;
                }
                const auto [low, high] = std::minmax_element(block.Samples.begin(), block.Samples.end());
                peak.Low = std::min(peak.Low, *low);
                peak.High = std::max(peak.High, *high);
                frame += block.Samples.size() / static_cast<size_t>(channels);
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
