#pragma once
// Makes the model's text layout measure with Uniscribe.

namespace TextBlock {

// Installs a Uniscribe measurer as the layout's measurer (call once at start-up, on the UI thread).
void InstallUniscribeMeasurer();

}  // namespace TextBlock
