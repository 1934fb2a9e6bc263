#pragma once
// Keeps a window's position and size and the state of every component it
// owns in the settings file (ProfileFile) from one run to the next:
//   section "<window>.<window>": Top, Left, Width, Height
//   section "<window>.<component>", in component order: Tag; Enabled for
//   controls; Text for single-line edits, else Checked for check boxes and
//   radio buttons; InitialDir for save dialogs.
// A first save lays the sections out in this order; later saves update the
// lines in place.

#include <filesystem>

namespace tabulon {

class TForm;

// Writes every value, defaults included. Throws std::runtime_error
// "<file> に書き込めません" when the file cannot be written (it then stays
// as it was), or the reading error when an existing file cannot be read.
void SaveFormState(const std::filesystem::path& fileName, const TForm& form);

// Reads the values back and assigns each at once through the property's
// setter, in the order of SaveFormState. A missing file, section or key,
// or a value that is no number where one is due, leaves the property as it
// is. Throws std::runtime_error when the file exists but cannot be read.
void RestoreFormState(const std::filesystem::path& fileName, TForm& form);

}  // namespace tabulon
