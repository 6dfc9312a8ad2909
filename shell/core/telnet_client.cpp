#include "shell/core/telnet_client.h"

TIdTelnet::TIdTelnet(UiDispatcher& dispatcher) : FConnection(dispatcher) {
  FConnection.OnReceive = [this](std::string_view received, std::string& data, std::string& replies) {
    FCodec.Receive(received, data, replies);
  };
  FConnection.OnDataAvailable = [this](const std::string& data) {
    if (OnDataAvailable) OnDataAvailable(data);
  };
  FConnection.OnConnectionLost = [this](const std::string& message) {
    if (OnConnectionLost) OnConnectionLost(message);
  };
}

TIdTelnet::~TIdTelnet() { FConnection.Disconnect(); }

void TIdTelnet::Connect(int timeoutMs) {
  if (FConnection.Connected()) throw EAlreadyConnected("Already connected.");
  FConnection.Disconnect();  // joins a reader whose server has closed
  FCodec.ResetNegotiation();
  FConnection.Connect(FHost, FPort, timeoutMs);
}

void TIdTelnet::Disconnect() {
  FConnection.Disconnect();
  FCodec.ClearPeerMark();
}

void TIdTelnet::SendCharacter(char c) { FConnection.Send(FCodec.EncodeCharacter(c)); }

void TIdTelnet::SendLine(std::string_view command) {
  std::string bytes;
  for (char c : command) bytes += FCodec.EncodeCharacter(c);
  bytes += FCodec.EncodeCharacter('\r');
  FConnection.Send(bytes);
}
