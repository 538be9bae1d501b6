#pragma once

#include <QLatin1String>
#include <QRect>

#include <utility>

namespace candlewatcher {

// A control as every window lays it out: made from args (its caption and parent), named after its design
// name so that tests find it, and placed at its design geometry.
template <typename Control, typename... Args>
Control* NewControl(const char* designName, const QRect& geometry, Args&&... args) {
    auto* control = new Control(std::forward<Args>(args)...);
    control->setObjectName(QLatin1String(designName));
    control->setGeometry(geometry);
    return control;
}

} // namespace candlewatcher
