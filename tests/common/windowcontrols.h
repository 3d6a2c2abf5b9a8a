#pragma once

#include <QLatin1String>
#include <QWidget>

namespace testsupport {

// The control of a window by its object name; a missing control ends the test
// program, since every later check would be meaningless.
template<typename T>
T *control(const QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace testsupport
