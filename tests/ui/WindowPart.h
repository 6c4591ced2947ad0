#pragma once

#include <QObject>
#include <QString>
#include <QtTest>

// A named part of a window (a widget or a timer), found by its object name.
// A missing part fails the test with the name, instead of crashing on null.
template <typename T>
T* WindowPart(const QObject* window, const char* name) {
    T* part = window->findChild<T*>(QString::fromLatin1(name));
    if (part == nullptr) qFatal("no part named \"%s\"", name);
    return part;
}
