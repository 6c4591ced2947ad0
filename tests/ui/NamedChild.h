#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The child of parent with that object name and type. A missing one ends the
// test run with its name: every later step would only crash on it.
template <typename T>
T* Named(const QObject* parent, const QString& name) {
    T* child = parent->findChild<T*>(name);
    if (child == nullptr)
        qFatal("no %s named \"%s\"", T::staticMetaObject.className(), qPrintable(name));
    return child;
}
