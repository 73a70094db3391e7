#include "ui/views/playingbackground.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

class PlayingBackgroundTest : public QObject
{
    Q_OBJECT
private slots:
    void grainIsFaintBlackNoise();
    void grainBuiltOnce();
    void gradientWithGrain_data();
    void gradientWithGrain();
};

void PlayingBackgroundTest::grainIsFaintBlackNoise()
{
    const QImage grain = PlayingBackground::grainTexture().toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(grain.size(), QSize(256, 256));
    QVector<int> counts(256, 0);
    for (int y = 0; y < grain.height(); ++y) {
        for (int x = 0; x < grain.width(); ++x) {
            const QRgb pixel = grain.pixel(x, y);
            QCOMPARE(qRed(pixel) | qGreen(pixel) | qBlue(pixel), 0);
            ++counts[qAlpha(pixel)];
        }
    }
    // Alphas 0 to 11, each about 1/12 of the pixels.
    for (int alpha = 0; alpha < 256; ++alpha) {
        if (alpha < 12)
            QVERIFY2(
                counts[alpha] > 4000 && counts[alpha] < 7000, qPrintable(QString::number(alpha)));
        else
            QCOMPARE(counts[alpha], 0);
    }
}

void PlayingBackgroundTest::grainBuiltOnce()
{
    QCOMPARE(&PlayingBackground::grainTexture(), &PlayingBackground::grainTexture());
    QCOMPARE(
        PlayingBackground::grainTexture().cacheKey(), PlayingBackground::grainTexture().cacheKey());
}

void PlayingBackgroundTest::gradientWithGrain_data()
{
    QTest::addColumn<QColor>("accent");
    QTest::newRow("blue") << QColor(40, 90, 200);
    QTest::newRow("grey") << QColor(128, 128, 128);
}

// Top row near the accent, bottom row near the accent darker by 135; the grain only darkens, by
// at most 11/255, and repeats every 256 pixels from the origin.
void PlayingBackgroundTest::gradientWithGrain()
{
    QFETCH(QColor, accent);
    QImage page(300, 600, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::white);
    QPainter painter(&page);
    PlayingBackground::paint(painter, page.rect(), accent);
    painter.end();

    // Grain of alpha a over colour c gives c * (255 - a) / 255.
    const auto near = [](QRgb pixel, const QColor &expected) {
        const auto within = [](int want, int got) {
            return got <= want + 2 && got >= want - want * 11 / 255 - 2;
        };
        return within(expected.red(), qRed(pixel)) && within(expected.green(), qGreen(pixel))
            && within(expected.blue(), qBlue(pixel));
    };
    const QColor bottom = accent.darker(135);
    int darkened = 0;
    for (int x = 0; x < page.width(); ++x) {
        QVERIFY(near(page.pixel(x, 0), accent));
        QVERIFY(near(page.pixel(x, page.height() - 1), bottom));
        const QRgb top = page.pixel(x, 0);
        darkened += qRed(top) + qGreen(top) + qBlue(top)
            < accent.red() + accent.green() + accent.blue() - 3;
        QCOMPARE(qAlpha(page.pixel(x, 300)), 255);
    }
    QVERIFY(darkened > 0);
    // The grain restarts 256 rows down: where its first row has a strong step, so has the page.
    const QImage grain = PlayingBackground::grainTexture().toImage();
    int x = 0;
    while (x < 255 && qAbs(qAlpha(grain.pixel(x, 0)) - qAlpha(grain.pixel(x + 1, 0))) < 8)
        ++x;
    QVERIFY(x < 255);
    QCOMPARE(qAlpha(grain.pixel(x, 0)) > qAlpha(grain.pixel(x + 1, 0)),
        qBlue(page.pixel(x, 256)) < qBlue(page.pixel(x + 1, 256)));
}

QTEST_MAIN(PlayingBackgroundTest)
#include "tst_playingbackground.moc"
