#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

class QDateTime;
class QLabel;

// StatusBar1: seven panels from left to right, the last one reaching to the right edge. Panels 0, 2
// and 4 are labels drawn raised, the others are sunken: 1 the date, 3 the time, 5 the application's
// current hint, 6 the test's progress.
class StatusBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int PanelCount = 7;
    static constexpr int DatePanel = 1;
    static constexpr int TimePanel = 3;
    static constexpr int HintPanel = 5;
    static constexpr int ProgressPanel = 6;
    static constexpr int Height = 20;

    explicit StatusBar(QWidget *parent = nullptr);

    // Only a panel whose text actually changes is repainted.
    void setPanelText(int index, const QString &text);
    QString panelText(int index) const;
    void setPanelWidth(int index, int width);
    int panelWidth(int index) const;
    bool panelRaised(int index) const;
    // Where the panel is drawn, in the bar's coordinates.
    QRect panelRect(int index) const;
    QLabel *panelLabel(int index) const;

    // The clock: date and time labels and the date and time of `now` in the system's formats.
    void tick(const QDateTime &now);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutPanels();

    std::array<QLabel *, PanelCount> m_labels{};
    std::array<int, PanelCount> m_widths{};
    QWidget *m_sizeGrip = nullptr;
};
