#pragma once
// A window whose state the settings file keeps (SaveFormState,
// RestoreFormState): it knows the components it owns, in the order they
// were created from its design, parent before children, each under its
// own name. Every component carries an integer tag (0 unless set).

#include <vector>

#include <QWidget>

namespace tabulon {

class TForm : public QWidget {
  Q_OBJECT

 public:
  explicit TForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

  // The owned components, first created first. The window owns them
  // through Qt's parent tree; the list does not.
  const std::vector<QObject*>& Components() const { return FComponents; }

 protected:
  // Names `component` and appends it to the owned components.
  template <class T>
  T* Own(T* component, const char* name) {
    component->setObjectName(QString::fromLatin1(name));
    FComponents.push_back(component);
    return component;
  }

 private:
  std::vector<QObject*> FComponents;
};

int ComponentTag(const QObject& component);
void SetComponentTag(QObject& component, int tag);

// Whether the control itself is enabled, whatever its parents are.
bool OwnEnabled(const QWidget& control);

}  // namespace tabulon
