#include "RadioConversation.h"

#include "Commands.h"
#include "Line.h"

#include <algorithm>

RadioConversation::RadioConversation(QObject* parent)
    : QObject(parent),
      line_(this),
      requests_([this](const QByteArray& command) { line_.output(command); },
                [this] { line_.input(); }, this) {
    connect(&line_, &SerialComm::onComm, this, &RadioConversation::readReply);
    connect(&line_, &SerialComm::linkLost, this, &RadioConversation::linkLost);
    connect(&line_, &SerialComm::linkRestored, this, &RadioConversation::restoreLink);
    // A radio switched on late, or off and on, may have its automatic reports on again.
    connect(&requests_, &RequestChain::repeating, this,
            [this] { line_.output(Command::autoInformationOff()); });
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
    line_.close();
}

// Until the radio has been identified, whatever comes is its answer to "ID;", and each
// character raises the receive event (up to the reply's ";" or a pause).
void RadioConversation::start() {
    identifying_ = true;
    line_.setRThreshold(1);
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

void RadioConversation::reportDecoded(bool mayWriteMemories) {
    if (!takeWriteBackTurn(mayWriteMemories))
        requests_.request(Command::status());
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
        if (!requests_.takeReplyTo("ID"))
            return;
        identifying_ = false;
        emit replyReceived(text);
        emit identified(text);
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
