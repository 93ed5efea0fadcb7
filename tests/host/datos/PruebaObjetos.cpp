#include "host/BasesDD.h"
#include "host/Error.h"
#include "host/ObjetoQM.h"

#include <gtest/gtest.h>

namespace {

TEST(Objetos, CadaClaseDaSuObjeto) {
    for (const char* clase :
         {"qmtv5.libQMCM", "qmtv5.BasesDD", "qmtv5.DeAyudaTV", "qmtv5.DeArchivos", "qmtv5.DeEquipo",
          "qmtv5.DeMonedas", "qmtv5.DelRegistro", "qmtv5.Utilerias"}) {
        const auto objeto = qm::CreaObjeto(QString::fromLatin1(clase));
        ASSERT_TRUE(objeto) << clase;
        EXPECT_EQ(objeto->clase(), QString::fromLatin1(clase));
    }
    EXPECT_TRUE(qm::CreaObjetoDe<qm::BasesDD>("qmtv5.BasesDD"));
}

TEST(Objetos, ClaseDesconocidaEsError429ConSuNombre) {
    try {
        qm::CreaObjeto("qmtv5.NoExiste");
        FAIL() << "se creó un objeto desconocido";
    } catch (const qm::Error& e) {
        EXPECT_EQ(e.numero(), 429);
        EXPECT_TRUE(e.descripcion().contains("qmtv5.NoExiste"));
    }
    EXPECT_THROW(qm::CreaObjetoDe<qm::BasesDD>("qmtv5.Utilerias"), qm::Error);
}

TEST(Objetos, TextoDelError) {
    const qm::Error e(1045, "Acceso denegado 100%1");
    EXPECT_EQ(e.texto(), "Error no. 1045: Acceso denegado 100%1");
    EXPECT_STREQ(e.what(), "Error no. 1045: Acceso denegado 100%1");
}

} // namespace
