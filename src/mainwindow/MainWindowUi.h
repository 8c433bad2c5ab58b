#pragma once

#include "mainwindow/CategoryPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>

namespace dc {

enum class Edition { One = 1, Two = 2 };

// Every control of the main window, named as the window's reactions know
// them, at its fixed place. Edition 1 gets the backup panel only.
struct MainWindowUi {
    Edition edition = Edition::Two;

    // Category column and pictures (edition 2).
    CategoryPanelGroup* CategoryPanelGroup1 = nullptr;
    CategoryPanel* PRespaldoDatos = nullptr;
    CategoryPanel* PCatalogoWeb = nullptr;
    CategoryPanel* PReportesWeb = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Image5 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Image6 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Image2 = nullptr;   // background
    QLabel* Image3 = nullptr;   // hidden: the work picture
    QLabel* Image4 = nullptr;   // hidden: the start picture
    QLabel* Image23 = nullptr;  // logo

    // Backup panel.
    QFrame* PnRespaldos = nullptr;
    QCheckBox* ChkActivaRespaldos = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* CmbServer = nullptr;
    QLabel* Label10 = nullptr;
    QComboBox* CmbSistema = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtusuario = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtpass = nullptr;
    QLabel* Label2 = nullptr;
    QTimeEdit* HR1 = nullptr;
    QFrame* Shape1 = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
    QTableView* DBGrid1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label5 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QListWidget* LstTmp = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // Cloud panel (edition 2).
    QFrame* PnReportesWeb = nullptr;
    QCheckBox* ChkNubeActivado = nullptr;
    QPushButton* BtnEnvia = nullptr;
    QPushButton* BtnGenera = nullptr;
    QLabel* Label24 = nullptr;
    QFrame* Shape6 = nullptr;
    QLabel* Label22 = nullptr;
    QLineEdit* TxtUsuarioSaliente = nullptr;
    QLabel* Label21 = nullptr;
    QLineEdit* TxtPassSaliente = nullptr;
    QLabel* Label16 = nullptr;
    QLineEdit* TxtServidor = nullptr;
    QLabel* Label23 = nullptr;
    QFrame* Shape5 = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* TxtUsuarioEntrante = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* TxtPassEntrante = nullptr;
    QLabel* Label12 = nullptr;
    QComboBox* CmbTiempo = nullptr;
    QLabel* Label25 = nullptr;
    QComboBox* CmbEmpresas = nullptr;
    QLabel* Label17 = nullptr;
    QLineEdit* txtSucursal = nullptr;
    QLabel* Label13 = nullptr;
    QListWidget* LstDatosASubir = nullptr;
    QLabel* Label19 = nullptr;
    QFrame* Shape2 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QTableView* DBGrid2 = nullptr;

    // Outbox and log panel (edition 2).
    QFrame* PnRegistro = nullptr;
    QLabel* Label26 = nullptr;
    QFrame* Shape3 = nullptr;
    QListWidget* LstArchivos = nullptr;
    QLabel* Label20 = nullptr;
    QFrame* Shape4 = nullptr;
    QTableView* DBGrid3 = nullptr;

    // Timers of the window.
    QTimer* Timer1 = nullptr;  // daily check, 50 s
    QTimer* TNube = nullptr;   // cloud cycle, 60 s (edition 2)
    QTimer* Timer2 = nullptr;  // outbox listing, 1 s (edition 2)

    void setupUi(QWidget* form, Edition edition);
};

// The work and start pictures.
QPixmap startPicture();
QPixmap workPicture();

// Makes a grid read-only with whole-row selection, titles, an indicator
// column, lines and resizable columns, cut cells told whole in a tooltip,
// and Tab leading out of it.
void setupGrid(QTableView* grid);

}  // namespace dc
