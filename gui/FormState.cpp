#include <gui/FormState.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <gui/Form.h>
#include <gui/SaveDialog.h>
#include <platform/ProfileFile.h>

namespace tabulon {

namespace {

std::string Section(const TForm& form, const QObject& component) {
  return (form.objectName() + QLatin1Char('.') + component.objectName()).toStdString();
}

// A radio button's setter: selecting clears the others of its parent,
// clearing leaves them alone (so a group may end with none selected, as
// the file can say).
void SetRadioChecked(QRadioButton& button, bool checked) {
  if (checked || !button.autoExclusive()) {
    button.setChecked(checked);
    return;
  }
  button.setAutoExclusive(false);
  button.setChecked(false);
  button.setAutoExclusive(true);
}

}  // namespace

void SaveFormState(const std::filesystem::path& fileName, const TForm& form) {
  ProfileFile ini(fileName);
  const std::string self = Section(form, form);
  ini.WriteInteger(self, "Top", form.y());
  ini.WriteInteger(self, "Left", form.x());
  ini.WriteInteger(self, "Width", form.width());
  ini.WriteInteger(self, "Height", form.height());
  for (const QObject* component : form.Components()) {
    const std::string section = Section(form, *component);
    ini.WriteInteger(section, "Tag", ComponentTag(*component));
    if (const auto* control = qobject_cast<const QWidget*>(component)) {
      ini.WriteBool(section, "Enabled", OwnEnabled(*control));
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(component)) {
      ini.WriteString(section, "Text", edit->text().toStdString());
    } else if (const auto* check = qobject_cast<const QCheckBox*>(component)) {
      ini.WriteBool(section, "Checked", check->isChecked());
    } else if (const auto* radio = qobject_cast<const QRadioButton*>(component)) {
      ini.WriteBool(section, "Checked", radio->isChecked());
    }
    if (const auto* dialog = qobject_cast<const TSaveDialog*>(component)) {
      ini.WriteString(section, "InitialDir", dialog->InitialDir.toStdString());
    }
  }
  ini.Save();
}

void RestoreFormState(const std::filesystem::path& fileName, TForm& form) {
  const ProfileFile ini(fileName);
  const std::string self = Section(form, form);
  form.move(form.x(), ini.ReadInteger(self, "Top", form.y()));
  form.move(ini.ReadInteger(self, "Left", form.x()), form.y());
  form.resize(ini.ReadInteger(self, "Width", form.width()), form.height());
  form.resize(form.width(), ini.ReadInteger(self, "Height", form.height()));
  for (QObject* component : form.Components()) {
    const std::string section = Section(form, *component);
    SetComponentTag(*component, ini.ReadInteger(section, "Tag", ComponentTag(*component)));
    if (auto* control = qobject_cast<QWidget*>(component)) {
      control->setEnabled(ini.ReadBool(section, "Enabled", OwnEnabled(*control)));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(component)) {
      if (const auto text = ini.ReadString(section, "Text")) {
        edit->setText(QString::fromStdString(*text));
      }
    } else if (auto* check = qobject_cast<QCheckBox*>(component)) {
      check->setChecked(ini.ReadBool(section, "Checked", check->isChecked()));
    } else if (auto* radio = qobject_cast<QRadioButton*>(component)) {
      SetRadioChecked(*radio, ini.ReadBool(section, "Checked", radio->isChecked()));
    }
    if (auto* dialog = qobject_cast<TSaveDialog*>(component)) {
      if (const auto folder = ini.ReadString(section, "InitialDir")) {
        dialog->InitialDir = QString::fromStdString(*folder);
      }
    }
  }
}

}  // namespace tabulon
