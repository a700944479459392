#include "RadioConversation.h"

#include "Commands.h"
#include "Line.h"
#include "Radios.h"

#include <algorithm>

RadioConversation::RadioConversation(QObject* parent)
    : QObject(parent),
      line_(this),
      requests_([this](const QByteArray& command) { line_.output(command); },
                [this] { line_.input(); }, this),
      radio_(&Radios::unidentified()) {
    adviceTimer_.setSingleShot(true);
    adviceTimer_.setInterval(kAdviceDelay);
    keyedPollTimer_.setSingleShot(true);
    keyedPollTimer_.setInterval(kKeyedPollInterval);
    keyedPollTimer_.setTimerType(Qt::PreciseTimer);
    connect(&adviceTimer_, &QTimer::timeout, this, &RadioConversation::advise);
    connect(&keyedPollTimer_, &QTimer::timeout, this,
            [this] { requests_.request(Command::status()); });
    connect(&line_, &SerialComm::onComm, this, &RadioConversation::readReply);
    connect(&line_, &SerialComm::linkLost, this, &RadioConversation::linkLost);
    connect(&line_, &SerialComm::linkRestored, this, &RadioConversation::restoreLink);
    connect(&requests_, &RequestChain::repeating, this, &RadioConversation::beforeRepeat);
    connect(&requests_, &RequestChain::answeringChanged, this,
            &RadioConversation::answeringChanged);
}

RadioConversation::~RadioConversation() = default;

bool RadioConversation::open(int portNumber) {
    portNumber_ = portNumber;
    line_.setCommPort(portNumber);
    return line_.open();
}

void RadioConversation::close() {
    // Nobody is left at the controls: a radio still transmitting, or keyed since the last
    // report showed it, is put back to receive.
    if (shownTransmitting_ || reportsBeforeKeyingShows_ > 0)
        line_.output(Command::receive());
    adviceTimer_.stop();
    keyedPollTimer_.stop();
    line_.close();
}

// Until the radio has been identified, each character raises the receive event (up to the
// reply's ";" or a pause). What came before "ID;" is no answer to it: an adapter may still hold
// the end of a reply made to a program closed while the radio was answering.
void RadioConversation::start() {
    identifying_ = true;
    heardNotProtocol_ = roundNotProtocol_ = speedChanged_ = false;
    line_.discardInput();
    line_.setRThreshold(1);
    adviceTimer_.start();
    line_.output(Command::autoInformationOff());
    requests_.request(Command::identify());
}

void RadioConversation::readMemory(int channel) {
    line_.setRThreshold(Reply::kMemoryLength);
    requests_.request(Command::readMemory(channel));
}

void RadioConversation::startPolling() {
    line_.setRThreshold(Reply::kStatusLength);
    requests_.request(Command::status());
    emit readoutEnded();
}

// Polled while it transmits CW with RIT or XIT on, a TS-940 sends part of each character off
// frequency: while a report shows it transmitting, it is asked once a second, not at once.
void RadioConversation::reportDecoded(bool mayWriteMemories) {
    if (takeWriteBackTurn(mayWriteMemories))
        return;
    if (shownTransmitting_ && radio_->pollingDisturbsKeying)
        keyedPollTimer_.start();
    else
        requests_.request(Command::status());
}

std::chrono::milliseconds RadioConversation::pollingPause() const {
    return keyedPollTimer_.isActive() ? keyedPollTimer_.intervalAsDuration()
                                      : std::chrono::milliseconds(0);
}

void RadioConversation::send(const QByteArray& command) {
    line_.output(command);
    // The reply to a status request already on the line was made before the radio heard it.
    if (command == Command::transmit())
        reportsBeforeKeyingShows_ = requests_.outstanding().isEmpty()
                                        ? Line::kReportsToShowACommand - 1
                                        : Line::kReportsToShowACommand;
    else if (command == Command::receive())
        reportsBeforeKeyingShows_ = 0;
}

// A reply goes on with the chain only when it answers the request outstanding; anything else
// is dropped, and the request is repeated when its time is up.
void RadioConversation::readReply() {
    if (line_.commEvent() != SerialComm::Received)
        return;
    const QByteArray text = line_.input();
    if (identifying_) {
        takeIdentification(text);
        return;
    }
    switch (Reply::shapeOf(text)) {
        case Reply::Shape::Memory:
            takeMemory(text);
            break;
        case Reply::Shape::Status:
            takeStatus(text);
            break;
        case Reply::Shape::Neither:
            break;
    }
}

// Only "ID", three digits and ";" identify the radio; any other text is noise, and "ID;" is
// asked again when its time is up, as for a lost reply.
void RadioConversation::takeIdentification(const QByteArray& text) {
    if (!Reply::isIdentification(text)) {
        const bool notProtocol = !Hookup::isProtocol(text);
        heardNotProtocol_ = heardNotProtocol_ || notProtocol;
        roundNotProtocol_ = roundNotProtocol_ || notProtocol;
        return;
    }
    if (!requests_.takeReplyTo("ID"))
        return;
    identifying_ = false;
    adviceTimer_.stop();
    radio_ = &Radios::identifiedBy(text);
    setNote(speedChanged_ ? Hookup::answeredAt(line_.baud()) : QString());
    emit replyReceived(text);
    emit identified(text);
}

// A radio switched on late, or off and on, may have its automatic reports on again. A radio
// not yet identified may be set to the other speed.
void RadioConversation::beforeRepeat() {
    if (identifying_)
        huntSpeed();
    line_.output(Command::autoInformationOff());
}

void RadioConversation::huntSpeed() {
    const int next = Hookup::nextSpeed(line_.baud(), roundNotProtocol_);
    roundNotProtocol_ = false;
    if (next != line_.baud()) {
        line_.setBaud(next);
        speedChanged_ = true;
    }
    if (!adviceTimer_.isActive())
        advise();  // once given, the advice follows what the line shows
}

void RadioConversation::advise() {
    if (identifying_)
        setNote(Hookup::advice(Hookup::troubleOf(heardNotProtocol_, line_.clearToSend())));
}

void RadioConversation::setNote(const QString& note) {
    if (note == note_)
        return;
    note_ = note;
    emit hookupNote(note);
}

void RadioConversation::takeMemory(const QByteArray& text) {
    const Reply::Memory memory = Reply::readMemory(text);
    if (!memory.isClean() || !requests_.takeReplyTo(Command::readMemory(memory.channel)))
        return;
    if (writeBack_)
        readBack(memory);
    else
        emit replyReceived(text);
}

void RadioConversation::takeStatus(const QByteArray& text) {
    if (!requests_.takeReplyTo("IF"))
        return;
    const Reply::Status status = Reply::readStatus(text);
    shownTransmitting_ = status.transmitting;
    reportsBeforeKeyingShows_ = std::max(reportsBeforeKeyingShows_ - 1, 0);
    emit replyReceived(text);
    emit statusDecoded(status);
}

bool RadioConversation::startWriteBack(const MemoryFile::Given& given) {
    if (std::ranges::none_of(given, [](const auto& channel) { return channel.has_value(); }))
        return false;
    writeBack_ = std::make_unique<MemoryWriteBack>(given);
    emit writeBackProgress(std::max(writeBack_->position(), 1), writeBack_->total());
    return true;
}

// After a status report: the next channel's read request, behind its store when it is to be
// written, once its turn has come and while the panel lets memories be written. What the
// radio holds counts, not the table: a radio reset while the panel ran has lost its channels.
bool RadioConversation::takeWriteBackTurn(bool mayWriteMemories) {
    if (!writeBack_)
        return false;
    writeBack_->reportTaken();
    if (!mayWriteMemories)
        return false;
    const std::optional<MemoryWriteBack::Turn> turn = writeBack_->nextTurn();
    if (!turn)
        return false;
    if (const std::optional<MemoryFile::Channel>& store = turn->store)
        line_.output(store->isEmpty() ? Command::eraseMemory(turn->channel)
                                      : Command::storeMemory(turn->channel, store->frequencyHz,
                                                             store->modeDigit));
    readMemory(turn->channel);
    emit writeBackProgress(std::max(writeBack_->position(), 1), writeBack_->total());
    return true;
}

void RadioConversation::readBack(const Reply::Memory& memory) {
    writeBack_->channelRead(memory);
    emit memoryWrittenBack(memory);
    line_.setRThreshold(Reply::kStatusLength);
    requests_.request(Command::status());
    if (writeBack_->isFinished())
        endWriteBack();
}

void RadioConversation::stopWriteBack() {
    if (!writeBack_)
        return;
    writeBack_->stop();
    if (writeBack_->isFinished())
        endWriteBack();
}

void RadioConversation::endWriteBack() {
    const std::unique_ptr<MemoryWriteBack> ended = std::move(writeBack_);
    emit writeBackEnded(*ended);
}

// The radio may have been switched off and on while its line was down.
void RadioConversation::restoreLink() {
    line_.output(Command::autoInformationOff());
    emit linkRestored();
}
