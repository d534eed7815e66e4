#pragma once

#include <functional>
#include <string>
#include <vector>

// The peak envelope of a file for the cutter's time line: for each of columns equal
// stretches of the file, the lowest and highest sample of all channels. Columns are
// handed over in batches as they are ready; stop() ends the work early. A file that
// cannot be read gives no columns.
struct Peak {
    float low = 0, high = 0;
};

void computePeaks(const std::string& path, int columns,
                  const std::function<void(int firstColumn, const std::vector<Peak>& peaks)>& ready,
                  const std::function<bool()>& stop);
