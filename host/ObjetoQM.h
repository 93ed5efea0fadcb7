#pragma once

#include <QString>
#include <memory>

namespace qm {

// Base of the host library's objects, which callers create by their class names
// ("qmtv5." followed by the class), as the host's automation library hands them out.
class ObjetoQM {
public:
    virtual ~ObjetoQM() = default;
    virtual QString clase() const = 0;
};

// Creates the object registered under the class name, e.g. "qmtv5.BasesDD".
// An unknown name fails with errores::ObjetoNoCreado.
std::unique_ptr<ObjetoQM> CreaObjeto(const QString& clase);

// CreaObjeto, checked to give the expected class.
template <class T> std::unique_ptr<T> CreaObjetoDe(const QString& clase);

// The four objects this program creates and releases but never calls.
class DeAyudaTV final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.DeAyudaTV"); }
};
class DeArchivos final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.DeArchivos"); }
};
class DeEquipo final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.DeEquipo"); }
};
class DeMonedas final : public ObjetoQM {
public:
    QString clase() const override { return QStringLiteral("qmtv5.DeMonedas"); }
};

} // namespace qm

#include "ObjetoQM.inl"
