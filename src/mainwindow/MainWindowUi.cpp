#include "mainwindow/MainWindowUi.h"

#include "mainwindow/Appearance.h"
#include "mainwindow/GridModels.h"
#include "mainwindow/WidgetFactory.h"

#include <QHeaderView>

// The pictures live in the GUI library's resources; a static library must
// register them itself.
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace dc {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w = -1, int h = 13)
{
    return makeLabel(parent, name, text, x, y, w, h);
}

QLabel* heading(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    QLabel* l = label(parent, name, text, x, y);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->adjustSize();
    return l;
}

QFrame* line(QWidget* parent, const char* name, int x, int y, int w, int h)
{
    auto* f = makeControl<QFrame>(parent, name, x, y, w, h);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    auto* b = makeControl<QPushButton>(parent, name, x, y, w, h);
    b->setText(text);
    return b;
}

QLineEdit* edit(QWidget* parent, const char* name, int x, int y, int w, int h, bool masked = false)
{
    auto* e = makeControl<QLineEdit>(parent, name, x, y, w, h);
    if (masked) e->setEchoMode(QLineEdit::Password);
    return e;
}

QComboBox* list(QWidget* parent, const char* name, const QStringList& items, int x, int y, int w, int h)
{
    auto* c = makeControl<QComboBox>(parent, name, x, y, w, h);
    c->addItems(items);
    c->setCurrentIndex(-1);
    return c;
}

QFrame* workPanel(QWidget* parent, const char* name)
{
    auto* p = makeControl<QFrame>(parent, name, 206, 8, 481, 394);
    p->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    p->setAutoFillBackground(true);
    p->hide();
    return p;
}

QLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, int x, int y, int w, int h)
{
    auto* l = makeControl<QLabel>(parent, name, x, y, w, h);
    l->setPixmap(pixmap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// A time picker that Tab leaves at once, as the Windows control does (the
// arrow keys move between hours and minutes).
class TimePicker : public QTimeEdit {
public:
    using QTimeEdit::QTimeEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

// Tab walks the controls in this order.
void tabOrder(std::initializer_list<QWidget*> chain)
{
    QWidget* previous = nullptr;
    for (QWidget* w : chain) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QTimer* timer(QObject* parent, const char* name, int ms)
{
    auto* t = new QTimer(parent);
    t->setObjectName(QLatin1String(name));
    t->setInterval(ms);
    return t;
}

}  // namespace

QPixmap startPicture()
{
    initResources();
    return QPixmap(QStringLiteral(":/dc/start.png"));
}

QPixmap workPicture()
{
    initResources();
    return QPixmap(QStringLiteral(":/dc/work.png"));
}

void setupGrid(QTableView* grid)
{
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setShowGrid(true);
    grid->setWordWrap(false);
    // Tab leaves the grid for the next control; the arrow keys move inside it.
    grid->setTabKeyNavigation(false);
    grid->setVerticalHeader(new IndicatorHeader(grid));
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->setItemDelegate(new CutTextDelegate(grid));
    grid->horizontalHeader()->setVisible(true);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(false);
}

void MainWindowUi::setupUi(QWidget* form, Edition ed)
{
    initResources();
    edition = ed;
    const bool two = ed == Edition::Two;
    form->setObjectName(QStringLiteral("TFrmPrincipal"));
    form->setWindowTitle(QStringLiteral("KOVA Vazivo ze Rurov"));
    form->setFixedSize(two ? QSize(703, 436) : QSize(502, 414));
    form->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The font is the application's (windowFont()), shared with the dialogs.
    form->setLocale(windowLocale());

    // Background pictures.
    if (two) {
        Image2 = picture(form, "Image2", startPicture(), 177, 0, 526, 436);
        Image3 = picture(form, "Image3", workPicture(), 177, 0, 526, 436);
        Image3->hide();
        Image4 = picture(form, "Image4", startPicture(), 177, 0, 526, 436);
        Image4->hide();
        Image23 = picture(form, "Image23", QPixmap(QStringLiteral(":/dc/logo.png")), 523, 214, 150, 204);
        Image23->setAttribute(Qt::WA_TranslucentBackground);
    } else {
        Image2 = picture(form, "Image2", workPicture(), 0, 0, 502, 414);
    }

    // Category column.
    if (two) {
        CategoryPanelGroup1 = new CategoryPanelGroup(form);
        CategoryPanelGroup1->setGeometry(0, 0, 177, 436);
        PRespaldoDatos = new CategoryPanel(QStringLiteral("PRespaldoDatos"), QStringLiteral("Respaldos Automáticos"), 48, CategoryPanelGroup1);
        Image1 = picture(PRespaldoDatos->content(), "Image1", QPixmap(QStringLiteral(":/dc/backup.png")), 8, 8, 32, 32);
        Label1 = label(PRespaldoDatos->content(), "Label1", QStringLiteral("Configuración"), 46, 18);
        Label1->setCursor(Qt::PointingHandCursor);
        PCatalogoWeb = new CategoryPanel(QStringLiteral("PCatalogoWeb"), QStringLiteral("KOVA Catálogo Web"), 24, CategoryPanelGroup1);
        Label7 = label(PCatalogoWeb->content(), "Label7", QStringLiteral("Próximamente!!"), 46, 5);
        PReportesWeb = new CategoryPanel(QStringLiteral("PReportesWeb"), QStringLiteral("Nube KOVA"), 88, CategoryPanelGroup1);
        Image5 = picture(PReportesWeb->content(), "Image5", QPixmap(QStringLiteral(":/dc/cloud.png")), 8, 8, 32, 32);
        Image5->setCursor(Qt::PointingHandCursor);
        Label11 = label(PReportesWeb->content(), "Label11", QStringLiteral("Configuración"), 46, 18);
        Label11->setCursor(Qt::PointingHandCursor);
        Image6 = picture(PReportesWeb->content(), "Image6", QPixmap(QStringLiteral(":/dc/log.png")), 8, 48, 32, 32);
        Image6->setCursor(Qt::PointingHandCursor);
        Label18 = label(PReportesWeb->content(), "Label18", QStringLiteral("Registro"), 46, 58);
        Label18->setCursor(Qt::PointingHandCursor);
        CategoryPanelGroup1->add(PRespaldoDatos);
        CategoryPanelGroup1->add(PCatalogoWeb);
        CategoryPanelGroup1->add(PReportesWeb);
    }

    // Backup panel.
    PnRespaldos = workPanel(form, "PnRespaldos");
    QFrame* p = PnRespaldos;
    ChkActivaRespaldos = makeControl<QCheckBox>(p, "ChkActivaRespaldos", 12, 7, 185, 17);
    ChkActivaRespaldos->setText(QStringLiteral("Activar los respaldos automàticos"));
    Label9 = label(p, "Label9", QStringLiteral("Servidor:"), 29, 35);
    QStringList servers;
    for (int i = 1; i <= 23; ++i) servers << QStringLiteral("KOVA Server %1").arg(i);
    CmbServer = list(p, "CmbServer", servers, 79, 32, 121, 21);
    Label10 = label(p, "Label10", QStringLiteral("Sistema:"), 223, 35);
    CmbSistema = list(p, "CmbSistema",
                      {QStringLiteral("KOVA Punto de Venta 4.0"), QStringLiteral("KOVA Refaccionaria 1.0"),
                       QStringLiteral("KOVA Punto de Venta 3.0"), QStringLiteral("Ninguno")},
                      270, 32, 145, 21);
    Label3 = label(p, "Label3", QStringLiteral("Usuario:"), 33, 57);
    txtusuario = edit(p, "txtusuario", 79, 54, 121, 21);
    Label4 = label(p, "Label4", QStringLiteral("Contraseña:"), 13, 79);
    txtpass = edit(p, "txtpass", 79, 76, 121, 21, true);
    Label2 = label(p, "Label2", QStringLiteral("Hora del respaldo diario:"), 223, 69);
    HR1 = makeControl<TimePicker>(p, "HR1", 347, 67, 105, 21);
    HR1->setDisplayFormat(QStringLiteral("HH:mm"));
    HR1->setTime(QTime(20, 0));
    Shape1 = line(p, "Shape1", 12, 104, 461, 1);
    Label8 = label(p, "Label8", QStringLiteral("Archivos a Respaldar"), 12, 112);
    Button2 = button(p, "Button2", QStringLiteral("Cancelar Respaldo"), 199, 107, 115, 20);
    Button1 = button(p, "Button1", QStringLiteral("Hacer un respaldo ahora"), 320, 107, 153, 20);
    DBGrid1 = makeControl<QTableView>(p, "DBGrid1", 12, 128, 461, 197);
    setupGrid(DBGrid1);
    BitBtn3 = button(p, "BitBtn3", QStringLiteral("Eliminar Archivo/Carpeta"), 12, 326, 179, 20);
    BitBtn4 = button(p, "BitBtn4", QStringLiteral("Agregar Carpetas"), 273, 326, 97, 20);
    BitBtn4->hide();
    BitBtn2 = button(p, "BitBtn2", QStringLiteral("Agregar Archivos"), 376, 326, 97, 20);
    Label6 = label(p, "Label6", QString(), 13, 347, 452, 13);
    Label6->setStyleSheet(QStringLiteral("color: #a00000;"));
    Label5 = label(p, "Label5", QStringLiteral("Sin Actividad"), 12, 359, 453, 12);
    ProgressBar1 = makeControl<QProgressBar>(p, "ProgressBar1", 12, 375, 457, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    LstTmp = makeControl<QListWidget>(p, "LstTmp", 273, 185, 170, 168);
    LstTmp->hide();
    BitBtn1 = button(p, "BitBtn1", QStringLiteral("BitBtn1"), 154, 237, 75, 25);
    BitBtn1->hide();

    Timer1 = timer(form, "Timer1", 50000);

    if (!two) {
        // Edition 1 watches the backup: list, status, progress and cancel.
        PnRespaldos->setGeometry(13, 8, 481, 394);
        PnRespaldos->show();
        for (QWidget* w : std::initializer_list<QWidget*>{ChkActivaRespaldos, Label9, CmbServer, Label10, CmbSistema, Label3,
                                                          txtusuario, Label4, txtpass, Label2, HR1, Shape1, Button1, BitBtn2,
                                                          BitBtn3})
            w->hide();
        Label8->move(16, 11);
        Button2->setGeometry(354, 6, 115, 20);
        Button2->setEnabled(false);
        DBGrid1->setGeometry(12, 32, 461, 309);
        tabOrder({Button2, DBGrid1});
        return;
    }
    // In edition 2 the transfer belongs to the backup tool: no status or progress here.
    Label6->hide();
    Label5->hide();
    ProgressBar1->hide();

    // Cloud panel.
    PnReportesWeb = workPanel(form, "PnReportesWeb");
    p = PnReportesWeb;
    ChkNubeActivado = makeControl<QCheckBox>(p, "ChkNubeActivado", 12, 7, 114, 17);
    ChkNubeActivado->setText(QStringLiteral("Activar Nube KOVA"));
    BtnEnvia = button(p, "BtnEnvia", QStringLiteral("Envia"), 167, 8, 75, 25);
    BtnEnvia->hide();
    BtnGenera = button(p, "BtnGenera", QStringLiteral("Genera"), 248, 8, 75, 25);
    BtnGenera->hide();
    Label24 = heading(p, "Label24", QStringLiteral("Configuración Saliente"), 14, 26);
    Shape6 = line(p, "Shape6", 14, 39, 292, 2);
    Label22 = label(p, "Label22", QStringLiteral("Usuario:"), 13, 48);
    TxtUsuarioSaliente = edit(p, "TxtUsuarioSaliente", 59, 45, 85, 21);
    Label21 = label(p, "Label21", QStringLiteral("Contraseña:"), 150, 48);
    TxtPassSaliente = edit(p, "TxtPassSaliente", 216, 45, 85, 21, true);
    Label16 = label(p, "Label16", QStringLiteral("Servidor:"), 333, 28);
    TxtServidor = edit(p, "TxtServidor", 332, 45, 121, 21);
    Label23 = heading(p, "Label23", QStringLiteral("Configuración Entrante"), 13, 71);
    Shape5 = line(p, "Shape5", 13, 84, 292, 2);
    Label15 = label(p, "Label15", QStringLiteral("Usuario:"), 13, 93);
    TxtUsuarioEntrante = edit(p, "TxtUsuarioEntrante", 59, 90, 85, 21);
    Label14 = label(p, "Label14", QStringLiteral("Contraseña:"), 150, 93);
    TxtPassEntrante = edit(p, "TxtPassEntrante", 216, 90, 85, 21, true);
    Label12 = label(p, "Label12", QStringLiteral("Tiempo de Actualización:"), 332, 71);
    QStringList minutes;
    for (int m = 10; m <= 60; m += 10) minutes << QStringLiteral("%1 Minutos").arg(m);
    CmbTiempo = list(p, "CmbTiempo", minutes, 333, 90, 116, 21);
    CmbTiempo->setCurrentIndex(0);
    Label25 = label(p, "Label25", QStringLiteral("Empresa:"), 121, 130);
    CmbEmpresas = makeControl<QComboBox>(p, "CmbEmpresas", 170, 127, 136, 21);
    Label17 = label(p, "Label17", QStringLiteral("Sucursal:"), 312, 130);
    txtSucursal = edit(p, "txtSucursal", 362, 127, 93, 21);
    Label13 = heading(p, "Label13", QStringLiteral("Datos a subir"), 8, 131);
    LstDatosASubir = makeControl<QListWidget>(p, "LstDatosASubir", 8, 155, 461, 59);
    LstDatosASubir->setFlow(QListView::TopToBottom);
    LstDatosASubir->setWrapping(true);
    LstDatosASubir->setResizeMode(QListView::Adjust);
    for (const QString& text : {QStringLiteral("Ventas Generales"), QStringLiteral("Enviar Catálogo de Productos"),
                                QStringLiteral("Descargar Catálogo de Productos"), QStringLiteral("Enviar Existencias"),
                                QStringLiteral("Ventas detalladas por producto")}) {
        auto* item = new QListWidgetItem(text, LstDatosASubir);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    Label19 = heading(p, "Label19", QStringLiteral("Tareas Manuales"), 8, 237);
    Shape2 = line(p, "Shape2", 8, 252, 465, 1);
    BitBtn5 = button(p, "BitBtn5", QStringLiteral("Agregar Tarea"), 368, 226, 101, 25);
    BitBtn5->setIcon(QIcon(QStringLiteral(":/dc/add.png")));
    DBGrid2 = makeControl<QTableView>(p, "DBGrid2", 8, 259, 465, 120);
    setupGrid(DBGrid2);

    // Outbox and log panel.
    PnRegistro = workPanel(form, "PnRegistro");
    p = PnRegistro;
    Label26 = heading(p, "Label26", QStringLiteral("Archivos pendientes a subir"), 6, 5);
    Shape3 = line(p, "Shape3", 6, 20, 465, 1);
    LstArchivos = makeControl<QListWidget>(p, "LstArchivos", 5, 27, 468, 119);
    Label20 = heading(p, "Label20", QStringLiteral("Registro"), 6, 150);
    Shape4 = line(p, "Shape4", 6, 165, 465, 1);
    DBGrid3 = makeControl<QTableView>(p, "DBGrid3", 8, 172, 465, 213);
    setupGrid(DBGrid3);

    TNube = timer(form, "TNube", 60000);
    Timer2 = timer(form, "Timer2", 1000);

    // The category links take the keyboard focus (Enter or Space opens their
    // panel); Tab goes down the column, then through the open panel, column
    // by column within it.
    for (QLabel* link : {Label1, Label11, Label18}) link->setFocusPolicy(Qt::StrongFocus);
    tabOrder({PRespaldoDatos->header(), Label1, PCatalogoWeb->header(), PReportesWeb->header(), Label11, Label18,
              ChkActivaRespaldos, CmbServer, txtusuario, txtpass, CmbSistema, HR1, Button2, Button1, DBGrid1, BitBtn3,
              BitBtn2, ChkNubeActivado, TxtUsuarioSaliente, TxtPassSaliente, TxtServidor, TxtUsuarioEntrante,
              TxtPassEntrante, CmbTiempo, CmbEmpresas, txtSucursal, LstDatosASubir, BitBtn5, DBGrid2, LstArchivos, DBGrid3});

    // The logo and the panels stay above the background.
    Image23->raise();
    PnRespaldos->raise();
    PnReportesWeb->raise();
    PnRegistro->raise();
}

}  // namespace dc
