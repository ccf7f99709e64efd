#include "testing/test_session.h"

#include "testing/main_texts.h"

#include <algorithm>

TestSession::TestSession(QObject *parent)
    : QObject(parent)
    , m_problemCaption(maintexts::idleProblemCaption())
    , m_optionCaption(maintexts::initialOptionCaption())
    , m_answerCaption(maintexts::answerCaption()) {}

void TestSession::setBank(int problemCount, int position) {
    m_problemCount = std::max(0, problemCount);
    setPosition(std::clamp(position, firstPosition(), *m_problemCount));
}

void TestSession::clearBank() {
    m_problemCount.reset();
    setPosition(firstPosition());
}

int TestSession::firstPosition() const {
    return m_problemCount == 0 ? 0 : 1;
}

int TestSession::positionAfter(int position) const {
    // The cursor stays on the last problem when asked for the next one.
    return m_problemCount ? std::min(position + 1, *m_problemCount) : position + 1;
}

void TestSession::setPosition(int position) {
    if (position == m_position)
        return;
    m_position = position;
    emit positionChanged(m_position);
}

void TestSession::setPhase(Phase phase) {
    if (phase == m_phase)
        return;
    m_phase = phase;
    emit phaseChanged(m_phase);
}

void TestSession::chooseLevel(int32_t level) {
    const bool changed = level != m_state.Level;
    m_state.Level = level;
    if (changed)
        emit levelChanged(level);
    if (const LevelRules *row = rules()) {
        m_progressText = maintexts::levelTotalText(row->problems);
        emit textsChanged();
    }
}

void TestSession::prepareForLevelChoice() {
    setPosition(firstPosition());
    m_progressText.clear();
    emit textsChanged();
}

void TestSession::start() {
    m_problemCaption = maintexts::startHeading();
    m_optionCaption = maintexts::chooseOptionCaption();
    if (const LevelRules *row = rules()) {
        // Counted from the position, which a test normally starts on the first problem.
        m_progressText = maintexts::remainingText(row->problems + 1 - m_position);
        for (int p = 1; p <= row->problems; ++p)
            m_state.CorrectFlags[row->slotBase + p] = false;
    }
    emit textsChanged();
    setPhase(Phase::Running);
}

void TestSession::restart() {
    setPosition(firstPosition());
    if (const LevelRules *row = rules())
        m_progressText = maintexts::remainingText(row->problems + 1 - m_position);
    m_problemCaption = maintexts::problemHeading(1);
    m_optionCaption = maintexts::chooseOptionCaption();
    m_answerCaption = maintexts::answerCaption();
    m_state.CorrectFlags.fill(false);
    emit textsChanged();
}

std::optional<TestSession::AnswerStep> TestSession::answer(qint32 option) {
    const LevelRules *row = rules();
    if (!row)
        return std::nullopt;
    const int n = row->problems;
    AnswerStep step;
    step.problem = m_position;
    step.nextHeading = m_position + 1;
    step.lastProblem = m_position == n;

    // The position stays within the level while a test runs; a slot outside the record (past
    // the level's last problem, or position 0 in an empty bank) is never written all the same.
    const int slot = row->slotBase + m_position;
    if (AnswerSlots<int32_t>::valid(slot)) {
        m_state.ChosenAnswers[slot] = option;
        emit answerRecorded(slot, option);
    }

    m_optionCaption = maintexts::answeredCaption(step.problem, option);
    if (step.lastProblem) {
        m_problemCaption = maintexts::problemHeading(n);
        m_answerCaption = maintexts::testFinished();
        m_progressText = maintexts::testFinished();
    } else {
        m_problemCaption = maintexts::problemHeading(step.nextHeading);
        m_progressText = maintexts::withPluralCorrected(maintexts::remainingText(n - step.problem));
    }
    emit textsChanged();
    // Only a running test finishes; answering the last problem at any other time changes no phase.
    if (step.lastProblem && m_phase == Phase::Running)
        setPhase(Phase::Finished);
    setPosition(positionAfter(m_position));
    return step;
}

GradeResult TestSession::grade(const LevelRules &row) {
    return gradeLevel(m_state, row);
}

void TestSession::returnFromResults() {
    m_problemCaption = maintexts::idleProblemCaption();
    m_optionCaption = maintexts::returnOptionCaption();
    m_answerCaption = maintexts::answerCaptionAfterReturn();
    emit textsChanged();
    setPhase(Phase::Returned);
    setPosition(firstPosition());
}
