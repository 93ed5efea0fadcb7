#include "host/libQMCM.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// A window of three fields and a button, in tab order, the first one focused.
class Campos : public ::testing::Test {
protected:
    void SetUp() override {
        auto* capa = new QVBoxLayout(&ventana_);
        for (auto*& c : campos_) {
            c = new QLineEdit(&ventana_);
            capa->addWidget(c);
        }
        boton_ = new QPushButton("Imprimir", &ventana_);
        capa->addWidget(boton_);
        campos_[1]->setInputMask("99/99/9999;_");
        campos_[1]->setText("01022024");
        campos_[0]->setText("C001");
        ventana_.show();
        QApplication::setActiveWindow(&ventana_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana_));
        campos_[0]->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return campos_[0]->hasFocus(); }));
    }

    QWidget ventana_;
    QLineEdit* campos_[3] = {};
    QPushButton* boton_ = nullptr;
    const qm::libQMCM lib_;
};

TEST_F(Campos, ResaltaSeleccionaTodo) {
    for (QLineEdit* c : {campos_[0], campos_[1]}) {
        c->setFocus();
        c->deselect();
        lib_.Resalta(c);
        EXPECT_TRUE(c->hasSelectedText());
        EXPECT_EQ(c->selectionStart(), 0);
        EXPECT_EQ(c->selectedText().size(), c->displayText().size());
    }
    lib_.Resalta(boton_); // not a field: nothing happens
}

TEST_F(Campos, FlechasMuevenElFoco) {
    int tecla = Qt::Key_Down;
    lib_.Teclas(tecla);
    EXPECT_EQ(tecla, 0);
    EXPECT_TRUE(campos_[1]->hasFocus());
    tecla = Qt::Key_Down;
    lib_.Teclas(tecla);
    tecla = Qt::Key_Down;
    lib_.Teclas(tecla);
    EXPECT_TRUE(boton_->hasFocus());
    tecla = Qt::Key_Up;
    lib_.Teclas(tecla);
    EXPECT_EQ(tecla, 0);
    EXPECT_TRUE(campos_[2]->hasFocus());
}

TEST_F(Campos, EnterMueveElFocoYSeTraga) {
    int caracter = 13;
    lib_.Enter(caracter, "!");
    EXPECT_EQ(caracter, 0);
    EXPECT_TRUE(campos_[1]->hasFocus());
}

TEST_F(Campos, OtrasTeclasPasan) {
    for (int tecla : {int(Qt::Key_A), int(Qt::Key_Left), int(Qt::Key_Return), 40, 38, 13}) {
        int t = tecla;
        lib_.Teclas(t);
        EXPECT_EQ(t, tecla);
    }
    for (int caracter : {65, 10, 27, 0, 8}) {
        int c = caracter;
        lib_.Enter(c, "!");
        EXPECT_EQ(c, caracter);
    }
    EXPECT_TRUE(campos_[0]->hasFocus());
}

} // namespace
