#pragma once
// Makes the model's text layout measure and find words with Uniscribe.

namespace TextBlock {

// Installs a Uniscribe measurer as the layout's measurer and Uniscribe's word breaks for Thai, Lao,
// Khmer and Myanmar text (call once at start-up, on the UI thread).
void InstallUniscribeMeasurer();

}  // namespace TextBlock
