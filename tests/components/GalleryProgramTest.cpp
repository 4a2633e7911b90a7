#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QProcess::ExitStatus run(QProcess& process, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SABLEWICK_GALLERY_PROGRAM), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return process.exitStatus();
}

TEST(GalleryProgram, GrabsBothSchemesAndRefusesUnknownArguments)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QProcess gallery;
    ASSERT_EQ(run(gallery, {QStringLiteral("--accent"), QStringLiteral("Coral"), QStringLiteral("--grab"),
                            folder.path()}),
              QProcess::NormalExit);
    EXPECT_EQ(gallery.exitCode(), 0) << gallery.readAllStandardError().toStdString();
    const QImage light(folder.filePath(QStringLiteral("light.png")));
    const QImage dark(folder.filePath(QStringLiteral("dark.png")));
    const QImage both(folder.filePath(QStringLiteral("gallery.png")));
    ASSERT_FALSE(light.isNull());
    ASSERT_FALSE(dark.isNull());
    EXPECT_EQ(both.height(), light.height() + dark.height());
    // The window colours of the two schemes, at a corner of each band's sheet.
    EXPECT_GT(QColor(light.pixel(light.width() - 3, light.height() - 3)).lightness(), 200);
    EXPECT_LT(QColor(dark.pixel(dark.width() - 3, dark.height() - 3)).lightness(), 80);

    QProcess wrong;
    run(wrong, {QStringLiteral("--accent"), QStringLiteral("coral")});
    EXPECT_EQ(wrong.exitCode(), 2);
    QProcess unknown;
    run(unknown, {QStringLiteral("--frobnicate")});
    EXPECT_EQ(unknown.exitCode(), 2);
}

} // namespace
