#pragma once

#include "journey/JourneyAccessibility.h"
#include "journey/JourneyDesktop.h"

#include <QDir>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace sablewick::journey {

// ffprobe's description of a file's streams and container.
QJsonObject probe(const QString& path);

// One journey: the real program started on the test's own desktop, with a home and folders of its
// own, driven by clicks and keys through XTEST and judged by what it shows and writes.
class SablewickJourney : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The desktop that every journey of this program shares; started by the first.
    static JourneyDesktop& desktop();

    // Starts the program (the first instance unless `instance` names another process).
    void launch(QProcess& instance, const QStringList& arguments = {});
    void launch(const QStringList& arguments = {}) { launch(app, arguments); }
    QProcessEnvironment environment() const;

    // Waits for one visible window of the program whose whole title matches; empty when none came.
    QString waitForWindow(const QString& titlePattern, int milliseconds = 30000) const;
    // The main window as the program opens it, titled "Sablewick". The desktop shows every window's
    // title with the program's name after it ("Recording — Sablewick"); `titled` makes such a title.
    QString waitForMainWindow(int milliseconds = 30000) const;
    static QString titled(const QString& name) { return name + QStringLiteral(" — Sablewick"); }
    // Waits for a window of the program that is not among `before` (a dialog that opens).
    QString waitForNewWindow(const QStringList& before) const;
    QStringList windows(const QString& titlePattern) const { return desktop().windows(app.processId(), titlePattern); }

    // Waits for a showing control with this accessible name (and role) and clicks its centre.
    void click(const QString& name, const QString& role = {});
    std::optional<QRect> waitForControl(const QString& name, const QString& role = {}, int milliseconds = 30000) const;
    void clickAt(QPoint point, int button = 1) const;
    // Clicks one of the equal segments, side by side, of a segmented control.
    void chooseSegment(const QString& name, int index, int count);
    // Presses a button that opens a save dialog and names the file there (the dialog's name field
    // has the keyboard when it opens).
    void saveAs(const QString& button, const QString& path);
    void drag(QPoint from, QPoint to) const;
    // Brings a window forward through the window manager and sends keys to it.
    void activate(const QString& window) const;
    void key(const QString& window, const QString& keys) const;
    void type(const QString& window, const QString& text) const;
    // What the program said on its error output, for a failure's message.
    std::string output();

    // Starts the program with a short movie, clip.mp4; its window, once it shows the movie's
    // preview, or empty.
    QString launchWithMovie(double seconds);
    // Adds a zoom with the timeline's button; the zoom's segment on the timeline.
    std::optional<QRect> addZoom();
    // A short movie of moving test pictures with a tone, made by ffmpeg in the work folder.
    QString makeMovie(const QString& name, double seconds = 3, QSize size = {1280, 720}) const;

    // The program's own folders, fresh for each journey.
    QString home() const { return m_root.filePath("home"); }
    QString work() const { return m_root.filePath("work"); }
    QString recovery() const { return m_root.filePath("recovery"); }
    QString videos() const { return m_root.filePath("home/Videos"); }
    QString pictures() const { return m_root.filePath("home/Pictures"); }
    QString recordings() const { return videos() + QStringLiteral("/Sablewick Recordings"); }
    QString screenshots() const { return pictures() + QStringLiteral("/Sablewick Screenshots"); }

    QProcess app;
    QProcess second;

private:
    QTemporaryDir m_root;
    QString m_output;
};

}  // namespace sablewick::journey
