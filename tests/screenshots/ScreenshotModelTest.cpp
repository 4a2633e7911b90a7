#include "support/FakeScheduler.h"
#include "support/TemporaryEnvironment.h"

#include "screenshots/ScreenshotModel.h"
#include "screenshots/ScreenshotProject.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace sablewick {
namespace {

const QString kUnreadable = QStringLiteral("Could not open image: This file is not a readable image.");

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
                          crc.data());
    return chunk + body + crc;
}

// A valid PNG of black (or clear) pixels, compressed row by row so that a huge one costs the test
// little memory: its header declares the whole size, as an attacker's would.
QByteArray blankPng(int width, int height, int colourType, int bitDepth, int bytesPerRow)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(height), header.data() + 4);
    header[8] = char(bitDepth);
    header[9] = char(colourType);
    z_stream stream{};
    deflateInit(&stream, 9);
    QByteArray row(bytesPerRow + 1, '\0');  // filter byte and pixels
    QByteArray compressed;
    QByteArray out(64 * 1024, '\0');
    for (int y = 0; y <= height; ++y) {
        const bool last = y == height;
        stream.next_in = last ? nullptr : reinterpret_cast<Bytef*>(row.data());
        stream.avail_in = last ? 0 : uInt(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = uInt(out.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(out.constData(), out.size() - qsizetype(stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", compressed)
        + pngChunk("IEND", {});
}

// A 1 x 1 GIF drawn on a logical screen of 16000 x 16000 pixels.
QByteArray vastGif()
{
    return QByteArray("GIF89a\x80\x3E\x80\x3E\x80\x00\x00"  // screen, a global table of two colours
                      "\x00\x00\x00\xFF\xFF\xFF"
                      ",\x00\x00\x00\x00\x01\x00\x01\x00\x00"  // the one frame
                      "\x02\x02\x44\x01\x00;",
                      35);
}

// Ten to the eighth rectangles from nine nested groups of ten uses each.
QByteArray useBombSvg()
{
    QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
                     R"(width="400" height="300"><defs><rect id="a0" width="400" height="300" fill="red"/>)";
    for (int level = 1; level <= 8; ++level) {
        svg += "<g id=\"a" + QByteArray::number(level) + "\">";
        for (int i = 0; i < 10; ++i)
            svg += "<use xlink:href=\"#a" + QByteArray::number(level - 1) + "\"/>";
        svg += "</g>";
    }
    return svg + R"(</defs><use xlink:href="#a8"/></svg>)";
}

qint64 peakResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong() / 1024;
    }
    return -1;
}

class FakeDialogs final : public ScreenshotDialogs {
public:
    std::optional<QString> chosenPath;
    ReplaceChoice choice = ReplaceChoice::cancel;
    int panels = 0;
    int alerts = 0;
    QString proposedName;

    std::optional<QString> chooseProjectPath(const QString& name, const QString&) override
    {
        ++panels;
        proposedName = name;
        return chosenPath;
    }
    ReplaceChoice confirmReplacing() override
    {
        ++alerts;
        return choice;
    }
};

class FakeClipboard final : public ImageClipboard {
public:
    QByteArray png;
    void putPng(const QByteArray& bytes) override { png = bytes; }
};

class ScreenshotModelTest : public ::testing::Test {
protected:
    ScreenshotModelTest()
    {
        m_environment.set("SABLEWICK_STATE_DIRECTORY", m_dir.filePath(QStringLiteral("state")).toStdString());
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(0xFF3366CC);
        m_imagePath = m_dir.filePath(QStringLiteral("Shot.png"));
        image.save(m_imagePath);
        m_services.scheduler = &m_scheduler;
        m_services.dialogs = &m_dialogs;
        m_services.clipboard = &m_clipboard;
    }

    QUrl imageURL() const { return QUrl::fromLocalFile(m_imagePath); }
    QString file(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QUrl writeFile(const char* name, const QByteArray& bytes) const
    {
        QFile written(file(name));
        EXPECT_TRUE(written.open(QIODevice::WriteOnly));
        written.write(bytes);
        return QUrl::fromLocalFile(written.fileName());
    }

    std::unique_ptr<ScreenshotModel> openedModel()
    {
        auto model = std::make_unique<ScreenshotModel>(m_services);
        EXPECT_TRUE(openImage(*model, imageURL()));
        return model;
    }

    // Opens an image and waits until it has been read; whether it opened.
    static bool openImage(ScreenshotModel& model, const QUrl& url)
    {
        std::optional<bool> opened;
        if (!model.open(url, [&](bool ok) { opened = ok; }))
            return false;
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 60000)) << url.toString().toStdString();
        return opened.value_or(false);
    }

    // Opens a project and waits until it and its image have been read; whether it opened.
    static bool openProject(ScreenshotModel& model, const QUrl& url)
    {
        std::optional<bool> opened;
        if (!model.openProject(url, [&](bool ok) { opened = ok; }))
            return false;
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 60000)) << url.toString().toStdString();
        return opened.value_or(false);
    }

    static void change(ScreenshotModel& model, double padding)
    {
        EditSettings settings = model.settings();
        settings.canvasPadding = padding;
        model.setSettings(settings);
    }

    static void waitForExport(ScreenshotModel& model)
    {
        QSignalSpy finished(&model, &ScreenshotModel::exportFinished);
        if (model.isExporting()) {
            ASSERT_TRUE(finished.wait(20000));
        }
    }

    QTemporaryDir m_dir;
    test::ScopedEnvironment m_environment;
    test::FakeScheduler m_scheduler;
    FakeDialogs m_dialogs;
    FakeClipboard m_clipboard;
    ScreenshotModelServices m_services;
    QString m_imagePath;
};

TEST_F(ScreenshotModelTest, OpeningAnImageStartsAnUnsavedEditWithItsBackup)
{
    ScreenshotModel model(m_services);
    model.setNotice(QStringLiteral("old"));
    ASSERT_TRUE(openImage(model, imageURL()));
    EXPECT_EQ(model.sourceSize(), QSize(400, 300));
    EXPECT_EQ(model.settings().aspect, AspectRatio::auto_);
    EXPECT_EQ(model.settings().sourceAspectWidth, 400);
    EXPECT_EQ(model.settings().sourceAspectHeight, 300);
    EXPECT_TRUE(model.hasUnsavedEdits());
    EXPECT_FALSE(model.canUndo());
    EXPECT_FALSE(model.notice());
    const ScreenshotProject backup = ScreenshotProjectFile::read(ScreenshotModel::recoveryPath());
    EXPECT_EQ(backup.sourceURL, imageURL());
    EXPECT_FALSE(backup.savedProjectURL);

    // The preview follows, at most 1600 pixels long.
    QSignalSpy settled(&model, &ScreenshotModel::previewSettled);
    ASSERT_TRUE(settled.wait(10000));
    EXPECT_EQ(model.preview().size(), ScreenshotModel::previewSize(QSize(400, 300), model.settings()));

    // A file that is no image changes nothing.
    QFile text(file("notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("plain text");
    text.close();
    EXPECT_FALSE(openImage(model, QUrl::fromLocalFile(text.fileName())));
    EXPECT_EQ(model.notice(), QStringLiteral("Could not open image: This file is not a readable image."));
    EXPECT_EQ(model.sourceURL(), imageURL());
}

TEST_F(ScreenshotModelTest, ChangesCoalesceIntoUndoSteps)
{
    auto model = openedModel();
    const EditSettings original = model->settings();
    for (int i = 1; i <= 10; ++i) {
        change(*model, i);
        m_scheduler.advance(0.1);
    }
    EXPECT_TRUE(model->canUndo());
    m_scheduler.advance(0.079);
    // Committed only 0.18 s after the last change, which the backup then records.
    EXPECT_NE(ScreenshotProjectFile::read(ScreenshotModel::recoveryPath()).settings.canvasPadding, 10);
    m_scheduler.advance(0.002);
    EXPECT_EQ(ScreenshotProjectFile::read(ScreenshotModel::recoveryPath()).settings.canvasPadding, 10);
    model->undo();
    EXPECT_EQ(model->settings(), original);
    EXPECT_FALSE(model->canUndo());
    EXPECT_TRUE(model->canRedo());
    model->redo();
    EXPECT_EQ(model->settings().canvasPadding, 10);

    // An undo inside the 0.18 s commits the change first, then undoes just it.
    change(*model, 20);
    model->undo();
    EXPECT_EQ(model->settings().canvasPadding, 10);
    model->redo();
    EXPECT_EQ(model->settings().canvasPadding, 20);

    // A change after an undo drops the redo steps at once.
    model->undo();
    ASSERT_TRUE(model->canRedo());
    change(*model, 30);
    EXPECT_FALSE(model->canRedo());
}

TEST_F(ScreenshotModelTest, HistoryKeepsTheLatestHundredSteps)
{
    auto model = openedModel();
    for (int i = 1; i <= 101; ++i) {
        change(*model, i);
        model->flushEdits();
    }
    int undone = 0;
    while (model->canUndo()) {
        model->undo();
        ++undone;
    }
    EXPECT_EQ(undone, 100);
    EXPECT_EQ(model->settings().canvasPadding, 1);  // the opened state is out of reach
}

TEST_F(ScreenshotModelTest, ProjectsRecoveryAndReplacing)
{
    ScreenshotModel empty(m_services);
    empty.setNotice(QStringLiteral("kept"));
    EXPECT_FALSE(empty.saveProject(QUrl::fromLocalFile(file("Nothing.sableimage.json"))));
    EXPECT_EQ(empty.notice(), QStringLiteral("kept"));

    auto model = openedModel();
    // A fresh image was never saved as a project, so replacing it asks.
    m_dialogs.choice = ScreenshotDialogs::ReplaceChoice::cancel;
    EXPECT_FALSE(model->confirmReplacing());
    m_dialogs.choice = ScreenshotDialogs::ReplaceChoice::discard;
    EXPECT_TRUE(model->confirmReplacing());
    EXPECT_EQ(m_dialogs.alerts, 2);

    EditSettings cropped = model->settings();
    cropped.aspect = AspectRatio::square;
    cropped.cropLeft = 0.5;
    model->setSettings(cropped);
    const QUrl project = QUrl::fromLocalFile(file("Edit.sableimage.json"));
    m_dialogs.chosenPath = project.toLocalFile();
    ASSERT_TRUE(model->saveProjectWithPanel(false));
    EXPECT_EQ(m_dialogs.proposedName, QStringLiteral("Screenshot.sableimage.json"));
    EXPECT_EQ(model->notice(), QStringLiteral("Screenshot project saved"));
    EXPECT_FALSE(model->hasUnsavedEdits());
    EXPECT_TRUE(model->confirmReplacing());
    EXPECT_EQ(ScreenshotProjectFile::read(ScreenshotModel::recoveryPath()).savedProjectURL, project);

    // A project opened from its own file counts as saved; nothing is in its history.
    ScreenshotModel reopened(m_services);
    ASSERT_TRUE(openProject(reopened, project));
    EXPECT_EQ(reopened.settings().aspect, AspectRatio::square);
    EXPECT_EQ(reopened.settings().cropLeft, 0.5);
    EXPECT_FALSE(reopened.hasUnsavedEdits());
    EXPECT_FALSE(reopened.canUndo());
    EXPECT_EQ(reopened.projectURL(), project);

    // The recovery copy of a saved edit returns to its project but counts as unsaved; a plain save
    // then goes to that project without a panel.
    change(*model, 3);
    model->flushEdits();
    ScreenshotModel recovered(m_services);
    ASSERT_TRUE(openProject(recovered, QUrl::fromLocalFile(ScreenshotModel::recoveryPath())));
    EXPECT_EQ(recovered.projectURL(), project);
    EXPECT_TRUE(recovered.hasUnsavedEdits());
    EXPECT_EQ(recovered.settings().canvasPadding, 3);
    const int panels = m_dialogs.panels;
    EXPECT_TRUE(recovered.saveProjectWithPanel(false));
    EXPECT_EQ(m_dialogs.panels, panels);
    EXPECT_EQ(ScreenshotProjectFile::read(project.toLocalFile()).settings.canvasPadding, 3);

    // The image's own size is refreshed from the file; the stored aspect and crop stay.
    QImage larger(800, 500, QImage::Format_RGB32);
    larger.fill(Qt::white);
    ASSERT_TRUE(larger.save(m_imagePath));
    ASSERT_TRUE(openProject(reopened, project));
    EXPECT_EQ(reopened.settings().sourceAspectWidth, 800);
    EXPECT_EQ(reopened.settings().cropLeft, 0.5);

    // Unreadable projects change nothing.
    ScreenshotProject newer = ScreenshotProjectFile::read(project.toLocalFile());
    QFile newerFile(file("Newer.sableimage.json"));
    ASSERT_TRUE(newerFile.open(QIODevice::WriteOnly));
    newerFile.write(QByteArray::fromStdString(ScreenshotProjectFile::projectText(newer)).replace("\"version\": 1", "\"version\": 2"));
    newerFile.close();
    EXPECT_FALSE(openProject(reopened, QUrl::fromLocalFile(newerFile.fileName())));
    EXPECT_EQ(reopened.notice(), QStringLiteral("Could not open screenshot project: This screenshot project is "
                                                "unsupported or its original image is missing."));
    EXPECT_EQ(reopened.projectURL(), project);
    QFile::remove(m_imagePath);
    EXPECT_FALSE(openProject(reopened, project));
    EXPECT_EQ(reopened.notice(), QStringLiteral("Could not open screenshot project: This file is not a readable image."));
}

TEST_F(ScreenshotModelTest, AFailedBackupStaysVisibleAfterOpeningAProject)
{
    auto model = openedModel();
    const QUrl project = QUrl::fromLocalFile(file("Edit.sableimage.json"));
    ASSERT_TRUE(model->saveProject(project));
    // The recovery folder's place is taken by a file, so no backup can be written.
    const QString blocked = file("blocked");
    QFile blocker(blocked);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_environment.set("SABLEWICK_STATE_DIRECTORY", (blocked + QStringLiteral("/state")).toStdString());
    ScreenshotModel reopened(m_services);
    ASSERT_TRUE(openProject(reopened, project));
    EXPECT_EQ(reopened.notice(),
              QStringLiteral("Could not back up the screenshot edit. Save the project to keep your changes."));
}

TEST_F(ScreenshotModelTest, ViewPointsAndCrops)
{
    auto model = openedModel();
    const QSizeF canvas = model->settings().canvasSize();
    // The middle of the canvas is the middle of the picture.
    const std::optional<QPointF> middle = model->sourcePoint({canvas.width() / 2, canvas.height() / 2}, canvas, false);
    ASSERT_TRUE(middle);
    EXPECT_NEAR(middle->x(), 0.5, 1e-9);
    EXPECT_NEAR(middle->y(), 0.5, 1e-9);
    // The padding is outside the picture; clamped, it maps to the nearest edge.
    EXPECT_FALSE(model->sourcePoint({2, 2}, canvas, false));
    const std::optional<QPointF> corner = model->sourcePoint({2, 2}, canvas, true);
    ASSERT_TRUE(corner);
    EXPECT_NEAR(corner->x(), 0, 1e-9);
    EXPECT_NEAR(corner->y(), 0, 1e-9);

    // A crop narrower than two source pixels is ignored and leaves no step.
    model->crop({0.1, 0.1}, {0.1 + 1.0 / 400, 0.5});
    EXPECT_EQ(model->settings().cropLeft, 0);
    EXPECT_FALSE(model->canUndo());

    model->crop({0.5, 1}, {0, 0});  // the left half
    EXPECT_EQ(model->settings().cropLeft, 0);
    EXPECT_EQ(model->settings().cropRight, 0.5);
    EXPECT_TRUE(model->canUndo());
    const QSizeF croppedCanvas = model->settings().canvasSize();
    const std::optional<QPointF> mapped =
        model->sourcePoint({croppedCanvas.width() / 2, croppedCanvas.height() / 2}, croppedCanvas, false);
    ASSERT_TRUE(mapped);
    EXPECT_NEAR(mapped->x(), 0.25, 1e-9);
    model->undo();
    EXPECT_EQ(model->settings().cropRight, 0);
}

TEST_F(ScreenshotModelTest, ExportWritesCopiesAndNeverReplacesTheOriginal)
{
    auto model = openedModel();
    ScreenshotAnnotation highlight;
    highlight.tool = ScreenshotTool::highlight;
    highlight.endX = highlight.endY = 0.5;
    highlight.color = 0xFFFF00;
    model->setAnnotations({highlight});
    const QByteArray original = [&] {
        QFile f(m_imagePath);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    // The original by any of its names: its own path, with a redundant folder step, a link, a
    // hard link.
    const QString link = file("Link.png"), hard = file("Hard.png");
    ASSERT_EQ(::symlink(QFile::encodeName(m_imagePath).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(m_imagePath).constData(), QFile::encodeName(hard).constData()), 0);
    for (const QString& name : {m_imagePath, m_dir.path() + QStringLiteral("/./Shot.png"), link, hard}) {
        model->setNotice(std::nullopt);
        model->exportImage(QUrl::fromLocalFile(name), ScreenshotFormat::png, 0.92, 1, false);
        EXPECT_FALSE(model->isExporting());
        EXPECT_EQ(model->notice(), QStringLiteral("Choose a different filename to keep the original image editable."))
            << name.toStdString();
    }
    // Saving a project there would replace it just the same.
    EXPECT_FALSE(model->saveProject(QUrl::fromLocalFile(link)));
    QFile check(m_imagePath);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), original);

    const QString target = file("Framed.jpg");
    model->exportImage(QUrl::fromLocalFile(target), ScreenshotFormat::jpeg, 0.9, 1, false);
    EXPECT_TRUE(model->isExporting());
    waitForExport(*model);
    EXPECT_EQ(model->notice(), QStringLiteral("Saved Framed.jpg"));
    const QImage written(target);
    EXPECT_EQ(written.size(), ScreenshotRenderer::outputSize(QSize(400, 300), model->settings(), 1));

    model->exportImage(std::nullopt, ScreenshotFormat::png, 0.92, 1, true);
    waitForExport(*model);
    EXPECT_EQ(model->notice(), QStringLiteral("Image copied"));
    QImage copied;
    ASSERT_TRUE(copied.loadFromData(m_clipboard.png, "PNG"));
    EXPECT_EQ(copied.size(), written.size());

    const QString cancelled = file("Cancelled.png");
    model->exportImage(QUrl::fromLocalFile(cancelled), ScreenshotFormat::png, 0.92, 2, false);
    model->cancelExport();
    waitForExport(*model);
    EXPECT_EQ(model->notice(), QStringLiteral("Image export cancelled"));
    EXPECT_FALSE(QFile::exists(cancelled));

    // A folder that cannot be written to tells why.
    model->exportImage(QUrl::fromLocalFile(file("missing/Out.png")), ScreenshotFormat::png, 0.92, 1, false);
    waitForExport(*model);
    ASSERT_TRUE(model->notice());
    EXPECT_FALSE(model->notice()->startsWith(QStringLiteral("Saved")));
}

TEST_F(ScreenshotModelTest, CopiedImageOutlivesTheModel)
{
    ScreenshotModelServices services = m_services;
    services.clipboard = nullptr;  // the application's own clipboard
    QSize copiedSize;
    {
        ScreenshotModel model(services);
        ASSERT_TRUE(openImage(model, imageURL()));
        copiedSize = ScreenshotRenderer::outputSize(model.sourceSize(), model.settings(), 1);
        model.exportImage(std::nullopt, ScreenshotFormat::png, 0.92, 1, true);
        waitForExport(model);
        EXPECT_EQ(model.notice(), QStringLiteral("Image copied"));
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasFormat(QStringLiteral("image/png")));
    QImage copied;
    ASSERT_TRUE(copied.loadFromData(data->data(QStringLiteral("image/png")), "PNG"));
    EXPECT_EQ(copied.size(), copiedSize);
}

TEST_F(ScreenshotModelTest, PreviewFollowsEveryChangeAndDrops)
{
    auto model = openedModel();
    QSignalSpy settled(model.get(), &ScreenshotModel::previewSettled);
    ASSERT_TRUE(settled.wait(10000));
    const QImage first = model->preview();

    // A stream of draft changes: the preview that settles shows the last one.
    ScreenshotAnnotation draft;
    draft.tool = ScreenshotTool::rectangle;
    draft.color = 0xFF0000;
    draft.weight = 20;
    for (int i = 1; i <= 20; ++i) {
        draft.endX = draft.endY = i / 20.0;
        model->setDraft(draft);
    }
    settled.clear();
    ASSERT_TRUE(settled.wait(10000));
    const QImage drawn = model->preview();
    EXPECT_NE(drawn, first);

    // Later changes still update it.
    change(*model, 20);
    settled.clear();
    ASSERT_TRUE(settled.wait(10000));
    EXPECT_NE(model->preview().size(), drawn.size());

    // Opening another picture: the preview of the old one does not come back.
    QImage other(200, 200, QImage::Format_RGB32);
    other.fill(Qt::black);
    const QString otherPath = file("Other.png");
    ASSERT_TRUE(other.save(otherPath));
    change(*model, 5);
    bool previewDropped = false;
    std::optional<bool> opened;
    ASSERT_TRUE(model->open(QUrl::fromLocalFile(otherPath), [&](bool ok) {
        opened = ok;
        previewDropped = model->preview().isNull();
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 60000));
    EXPECT_TRUE(*opened);
    EXPECT_TRUE(previewDropped);
    settled.clear();
    ASSERT_TRUE(settled.wait(10000));
    EXPECT_EQ(model->preview().size(), ScreenshotModel::previewSize(QSize(200, 200), model->settings()));
}

TEST_F(ScreenshotModelTest, PreviewsAreRenderedNoLargerThanTheCanvasShowsThem)
{
    const QSize source(3840, 2160);
    EditSettings settings;
    settings.aspect = AspectRatio::auto_;
    settings.sourceAspectWidth = source.width();
    settings.sourceAspectHeight = source.height();
    const QSize full = ScreenshotRenderer::outputSize(source, settings, 1);
    const QSize capped = ScreenshotModel::previewSize(source, settings);
    EXPECT_EQ(std::max(capped.width(), capped.height()), ScreenshotModel::previewLongSide);

    struct Case {
        QSize bounds;
        QSize expected;
    };
    const QSize fitted = full.scaled(QSize(1300, 800), Qt::KeepAspectRatio);
    for (const Case& c : std::initializer_list<Case>{
             {{}, capped},                   // unbounded: the long-side limit alone
             {{5000, 5000}, capped},         // bounds beyond the limit change nothing
             {{1300, 800}, fitted},          // a canvas smaller than the limit: its size
             {{1300, 100000}, full.scaled(QSize(1300, 100000), Qt::KeepAspectRatio)},
         }) {
        SCOPED_TRACE(testing::Message() << c.bounds.width() << " x " << c.bounds.height());
        const QSize size = ScreenshotModel::previewSize(source, settings, c.bounds);
        EXPECT_LE(std::abs(size.width() - c.expected.width()), 1);
        EXPECT_LE(std::abs(size.height() - c.expected.height()), 1);
    }

    // The model renders at its bounds, and again when they change.
    auto model = openedModel();
    QSignalSpy settled(model.get(), &ScreenshotModel::previewSettled);
    ASSERT_TRUE(settled.wait(10000));
    const QSize unbounded = model->preview().size();
    model->setPreviewBounds(QSize(200, 200));
    settled.clear();
    ASSERT_TRUE(settled.wait(10000));
    EXPECT_EQ(model->preview().size(), ScreenshotModel::previewSize(QSize(400, 300), model->settings(), QSize(200, 200)));
    EXPECT_LE(model->preview().width(), 200);
    EXPECT_LT(model->preview().width(), unbounded.width());
    model->setPreviewBounds(QSize());
    settled.clear();
    ASSERT_TRUE(settled.wait(10000));
    EXPECT_EQ(model->preview().size(), unbounded);
}

// ---- images a user may be handed: their decode must neither stall the windows nor exhaust the
// machine, whatever the file claims.

TEST_F(ScreenshotModelTest, PicturesBeyondTheBoundsGetTheUnreadableNoticeWithoutExhaustingMemory)
{
    // The peak from here on: what this test's decodes take.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    ASSERT_TRUE(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1);
    clear.close();

    ScreenshotModel model(m_services);
    ASSERT_TRUE(openImage(model, imageURL()));
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"screen.gif", vastGif()},
        {"huge.png", blankPng(20000, 20000, 0, 1, 2500)},
        {"bomb.svg", useBombSvg()},
        {"loop.svg",
         R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
         R"(width="10" height="10"><g id="g"><use xlink:href="#g"/></g></svg>)"},
        {"outside.svg",
         R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
         R"(width="10" height="10"><image xlink:href="/dev/zero" width="10" height="10"/></svg>)"},
        {"inner.svg",
         R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
         R"(width="10" height="10"><image width="10" height="10" xlink:href="data:image/gif;base64,)"
             + vastGif().toBase64() + R"("/></svg>)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model.setNotice(std::nullopt);
        EXPECT_FALSE(openImage(model, writeFile(c.name, c.bytes)));
        EXPECT_EQ(model.notice().value_or(QString()).toStdString(), kUnreadable.toStdString());
        EXPECT_EQ(model.sourceURL().value_or(QUrl()).toString().toStdString(), imageURL().toString().toStdString())
            << "the open edit stays";
    }
    EXPECT_LT(peakResidentMegabytes(), 400);

    // Drawings within the bounds still open, at their own size, drawn in strips without seams.
    const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="120" height="80">)"
                           R"(<defs><linearGradient id="g" x2="1" y2="1"><stop offset="0" stop-color="#336699"/>)"
                           R"(<stop offset="1" stop-color="#FFCC00"/></linearGradient></defs>)"
                           R"svg(<rect width="120" height="80" fill="url(#g)"/>)svg"
                           R"(<circle cx="60" cy="40" r="33.3" fill="none" stroke="#000" stroke-width="3"/></svg>)";
    ASSERT_TRUE(openImage(model, writeFile("fine.svg", svg)));
    EXPECT_EQ(model.sourceSize(), QSize(120, 80));
    QImage whole(120, 80, QImage::Format_ARGB32_Premultiplied);
    whole.fill(Qt::transparent);
    {
        QPainter painter(&whole);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        QSvgRenderer(svg).render(&painter, QRectF(0, 0, 120, 80));
    }
    EXPECT_EQ(model.source().convertToFormat(QImage::Format_ARGB32_Premultiplied), whole);
}

TEST_F(ScreenshotModelTest, DecodingRunsBesideTheEventLoopAndTheNewestOpenWins)
{
    const QUrl large = writeFile("large.png", blankPng(6000, 6000, 2, 8, 18000));
    ScreenshotModel model(m_services);
    int ticksWhileReading = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileReading += model.isOpening() ? 1 : 0; });
    ticker.start(0);

    std::optional<bool> first;
    ASSERT_TRUE(model.open(large, [&](bool ok) { first = ok; }));
    EXPECT_TRUE(model.isOpening());
    EXPECT_FALSE(model.sourceURL()) << "nothing changes before the image has been read";
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.has_value(); }, 60000));
    EXPECT_TRUE(*first);
    EXPECT_GT(ticksWhileReading, 0) << "the main thread waited for the decode";
    EXPECT_EQ(model.sourceSize(), QSize(6000, 6000));

    // A newer open supersedes one still reading; only the newer one's image arrives.
    std::optional<bool> older, newer;
    bool newerUnderWay = false;
    model.open(large, [&](bool ok) {
        older = ok;
        newerUnderWay = model.isOpening();
    });
    model.open(imageURL(), [&](bool ok) { newer = ok; });
    EXPECT_EQ(older, false);
    EXPECT_TRUE(newerUnderWay) << "a superseded open can tell that it was";
    ASSERT_TRUE(QTest::qWaitFor([&] { return newer.has_value(); }, 60000));
    EXPECT_TRUE(*newer);
    EXPECT_EQ(model.sourceURL(), imageURL());
    EXPECT_EQ(model.sourceSize(), QSize(400, 300));
    EXPECT_FALSE(model.notice());

    // A model that goes while reading takes the read with it and reports nothing.
    {
        ScreenshotModel doomed(m_services);
        doomed.open(large, [](bool) { ADD_FAILURE() << "a completion after the model went"; });
    }
    QCoreApplication::processEvents();
}

TEST_F(ScreenshotModelTest, ProjectsAreReadBesideTheEventLoopWithinTheSameBounds)
{
    ScreenshotModel model(m_services);
    ASSERT_TRUE(openImage(model, imageURL()));
    const QUrl kept = QUrl::fromLocalFile(file("Kept.sableimage.json"));
    ASSERT_TRUE(model.saveProject(kept));
    // Projects of the same edit whose image is another file.
    const auto projectOf = [&](const char* name, const QUrl& image) {
        ScreenshotProject project = ScreenshotProjectFile::read(kept.toLocalFile());
        project.sourceURL = image;
        ScreenshotProjectFile::writeProject(file(name), project);
        return QUrl::fromLocalFile(file(name));
    };
    const QUrl large = projectOf("Large.sableimage.json", writeFile("large.png", blankPng(6000, 6000, 2, 8, 18000)));
    const QUrl huge = projectOf("Huge.sableimage.json", writeFile("huge.png", blankPng(20000, 20000, 0, 1, 2500)));

    int ticksWhileReading = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileReading += model.isOpening() ? 1 : 0; });
    ticker.start(0);

    // An image beyond the bounds: the unreadable notice, and the open edit stays.
    std::optional<bool> hugeOpened;
    ASSERT_TRUE(model.openProject(huge, [&](bool ok) { hugeOpened = ok; }));
    EXPECT_TRUE(model.isOpening());
    ASSERT_TRUE(QTest::qWaitFor([&] { return hugeOpened.has_value(); }, 60000));
    EXPECT_FALSE(*hugeOpened);
    EXPECT_EQ(model.notice().value_or(QString()).toStdString(),
              "Could not open screenshot project: This file is not a readable image.");
    EXPECT_EQ(model.sourceURL(), imageURL());
    EXPECT_EQ(model.projectURL(), kept);

    // A large image within them is decoded while the event loop turns.
    ticksWhileReading = 0;
    ASSERT_TRUE(openProject(model, large));
    EXPECT_GT(ticksWhileReading, 0) << "the main thread waited for the decode";
    EXPECT_EQ(model.sourceSize(), QSize(6000, 6000));
    EXPECT_EQ(model.projectURL(), large);
    EXPECT_FALSE(model.notice());

    // A second open, of either kind, cancels the first; only the newest one's edit arrives.
    const struct {
        const char* name;
        bool secondIsProject;
        QUrl second;
        std::optional<QUrl> project;
    } cases[] = {
        {"project after project", true, kept, kept},
        {"image after project", false, imageURL(), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(openImage(model, writeFile("other.png", blankPng(16, 16, 2, 8, 48))));
        std::optional<bool> older, newer;
        ASSERT_TRUE(model.openProject(large, [&](bool ok) { older = ok; }));
        const auto done = [&](bool ok) { newer = ok; };
        ASSERT_TRUE(c.secondIsProject ? model.openProject(c.second, done) : model.open(c.second, done));
        EXPECT_EQ(older, false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return newer.has_value(); }, 60000));
        EXPECT_TRUE(*newer);
        EXPECT_EQ(model.sourceURL(), imageURL());
        EXPECT_EQ(model.sourceSize(), QSize(400, 300));
        EXPECT_EQ(model.projectURL(), c.project);
    }
}

}  // namespace
}  // namespace sablewick
