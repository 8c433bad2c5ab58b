// The texts of a task row.
#include "tasks/ManualTasks.h"

#include <gtest/gtest.h>

using namespace dc;

TEST(TaskTexts, SalesTaskUnderASpanishSystem)
{
    const QLocale es(QLocale::Spanish, QLocale::Mexico);
    const TaskRow t = salesTask(QDateTime(QDate(2014, 8, 14), QTime(9, 7, 42)), QStringLiteral("Abarrotes Centro"),
                                QDate(2014, 8, 5), QDate(2014, 8, 12), es);
    EXPECT_EQ(t.descripcion, QStringLiteral("14/08/2014 09:07-Abarrotes Centro: Agregar ventas por día."));
    EXPECT_EQ(t.valores, QStringLiteral("05/agosto/2014 A 12/agosto/2014"));
    EXPECT_EQ(t.fecha1, QDateTime(QDate(2014, 8, 5), QTime(0, 0)));
    EXPECT_EQ(t.fecha2, QDateTime(QDate(2014, 8, 12), QTime(0, 0)));

    // Hours run 00 to 23; the days as chosen, even the wrong way round.
    const TaskRow late = salesTask(QDateTime(QDate(2026, 1, 2), QTime(23, 5)), QStringLiteral("Ferretería Norte"),
                                   QDate(2026, 12, 31), QDate(2026, 1, 1), es);
    EXPECT_EQ(late.descripcion, QStringLiteral("02/01/2026 23:05-Ferretería Norte: Agregar ventas por día."));
    EXPECT_EQ(late.valores, QStringLiteral("31/diciembre/2026 A 01/enero/2026"));
}

TEST(TaskTexts, ProductsTaskHasNoDays)
{
    const TaskRow t = productsTask(QDateTime(QDate(2014, 8, 14), QTime(0, 0)), QStringLiteral("KOVA Punto de Venta"),
                                   QLocale(QLocale::Spanish, QLocale::Spain));
    EXPECT_EQ(t.descripcion, QStringLiteral("14/08/2014 00:00-KOVA Punto de Venta: Agregar productos."));
    EXPECT_EQ(t.valores, QStringLiteral("Todo"));
    EXPECT_FALSE(t.fecha1.isValid());
    EXPECT_FALSE(t.fecha2.isValid());
}

TEST(TaskTexts, TheSystemsSeparatorsAndMonthNames)
{
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(dateSeparator(de), QLatin1Char('.'));
    EXPECT_EQ(timeSeparator(de), QLatin1Char(':'));
    const TaskRow t = salesTask(QDateTime(QDate(2014, 8, 14), QTime(9, 7)), QStringLiteral("X"), QDate(2014, 3, 5),
                                QDate(2014, 3, 5), de);
    EXPECT_EQ(t.descripcion, QStringLiteral("14.08.2014 09:07-X: Agregar ventas por día."));
    EXPECT_EQ(t.valores, QStringLiteral("05.März.2014 A 05.März.2014"));
    const QLocale mx(QLocale::Spanish, QLocale::Mexico);
    EXPECT_EQ(dateSeparator(mx), QLatin1Char('/'));
    EXPECT_EQ(timeSeparator(mx), QLatin1Char(':'));
}
