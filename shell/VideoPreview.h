#pragma once

#include <QWidget>

#include <memory>

class QFileDialog;
class QLabel;
class QToolButton;

namespace kestrel {

class VideoEngine;

// The preview pane of the open-video dialog: shows the selected file's first
// frame and plays it on request, with its own engine instance.
class VideoPreview : public QWidget {
    Q_OBJECT
public:
    explicit VideoPreview(QWidget* parent = nullptr);
    ~VideoPreview() override;

    // Adds a preview pane to a (non-native) file dialog, following its selection.
    static void install(QFileDialog& dialog);

    void setFile(const QString& path);
    QString file() const { return m_path; }

private:
    void showFrame();
    void togglePlay();

    std::unique_ptr<VideoEngine> m_engine;
    QLabel* m_picture = nullptr;
    QLabel* m_info = nullptr;
    QToolButton* m_play = nullptr;
    QString m_path;
};

} // namespace kestrel
