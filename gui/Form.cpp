#include <gui/Form.h>

#include <QVariant>

namespace tabulon {

namespace {
constexpr const char* TagProperty = "Tag";
}

TForm::TForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

int ComponentTag(const QObject& component) { return component.property(TagProperty).toInt(); }

void SetComponentTag(QObject& component, int tag) { component.setProperty(TagProperty, tag); }

bool OwnEnabled(const QWidget& control) { return !control.testAttribute(Qt::WA_ForceDisabled); }

}  // namespace tabulon
